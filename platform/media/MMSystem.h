// The multimedia calls of the program: wave sounds from files, memory and numbered resources
// (PlaySound, sndPlaySound) and the MCI command strings that play music (mciSendString).
//
// Sounds go to the AudioOutput (AudioOutput.h): SDL2_mixer on the machine's audio device, or,
// where there is none, a null output that plays nothing but keeps every call's results and
// timing, so that a synchronous sound still lasts as long as its file and SND_NOSTOP still
// refuses a sound while another plays.
#pragma once

#include "platform/base/WinTypes.h"

// PlaySound and sndPlaySound flags.
#define SND_SYNC 0x0000u
#define SND_ASYNC 0x0001u
#define SND_NODEFAULT 0x0002u
#define SND_MEMORY 0x0004u
#define SND_LOOP 0x0008u
#define SND_NOSTOP 0x0010u
#define SND_PURGE 0x0040u
#define SND_NOWAIT 0x2000u
#define SND_ALIAS 0x10000u
#define SND_FILENAME 0x20000u
#define SND_RESOURCE 0x40004u

// Plays one wave sound; there is one wave voice per process. A null name stops the sound that
// plays and answers TRUE. Without SND_ASYNC the call returns when the sound has played to its
// end; SND_LOOP repeats it until the next call (it implies SND_ASYNC). With SND_NOSTOP nothing
// is played and the answer is FALSE while another sound plays; without it that sound is cut.
// The name is a file path (a Windows path in GBK, SND_FILENAME or no source flag), a pointer to
// a whole RIFF wave file in memory (SND_MEMORY; the RIFF header gives its length), or the number
// or name of a resource of the program (SND_RESOURCE: type "WAVE", else the program's "SOUND"
// resources, which hold the same wave files). There is no default system sound: a sound that
// cannot be found or decoded answers FALSE whatever SND_NODEFAULT says. Only RIFF wave data
// plays here, as on Windows.
BOOL PlaySoundA(LPCSTR name, HMODULE module, DWORD flags);
// PlaySound without a module: the name is a file path, or with SND_MEMORY a wave file in memory.
BOOL sndPlaySoundA(LPCSTR name, UINT flags);
#define PlaySound PlaySoundA
#define sndPlaySound sndPlaySoundA

typedef DWORD MCIERROR;

#define MCIERR_BASE 256
#define MCIERR_INVALID_DEVICE_ID (MCIERR_BASE + 1)
#define MCIERR_UNRECOGNIZED_KEYWORD (MCIERR_BASE + 3)
#define MCIERR_UNRECOGNIZED_COMMAND (MCIERR_BASE + 5)
#define MCIERR_HARDWARE (MCIERR_BASE + 6)
#define MCIERR_INVALID_DEVICE_NAME (MCIERR_BASE + 7)
#define MCIERR_DEVICE_OPEN (MCIERR_BASE + 9)
#define MCIERR_MISSING_COMMAND_STRING (MCIERR_BASE + 11)
#define MCIERR_PARAM_OVERFLOW (MCIERR_BASE + 12)
#define MCIERR_MISSING_PARAMETER (MCIERR_BASE + 17)
#define MCIERR_FILE_NOT_FOUND (MCIERR_BASE + 19)
#define MCIERR_INVALID_FILE (MCIERR_BASE + 48)

// Sends one MCI command string; 0 on success, else an MCIERR_ code. The commands the program
// uses on music files (MP3, OGG and WAV):
//   open <file> [alias <name>] [type <type>] [wait]   the file's path is the device name unless
//                                                    an alias is given
//   play <device>                                     from the current position, asynchronously
//   seek <device> to start                            stops and goes back to the start
//   status <device> mode                              answers "playing" or "stopped"
//   close <device>
// A device name may be quoted; unquoted, it runs up to the command's first keyword, so paths
// with spaces work. Device names compare without regard to ASCII case. One music stream plays
// at a time: playing a device stops the one that played. The answer is copied into the reply
// buffer (cut to fit, MCIERR_PARAM_OVERFLOW when it does not); the callback window is not used.
MCIERROR mciSendStringA(LPCSTR command, LPSTR reply, UINT replySize, HWND callback);
#define mciSendString mciSendStringA
