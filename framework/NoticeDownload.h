// The download of the room's notice text over HTTP.
#pragma once

// Fetches the URL and, when its body begins with the "<notify>" mark (in any case), writes the
// whole body to the file. True only when the file holds the whole body.
bool DownloadNotice(const char* url, const char* localFile);
// True when the body begins with the notice mark, compared without regard to case.
bool HasNoticeMark(const char* body, unsigned long length);
