#include "platform/kernel/StringCalls.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/base/WinError.h"

namespace {

struct SystemText {
  DWORD code;
  const char* text;
};

// The texts of the codes this layer sets, as a Chinese edition of the system words them.
const SystemText SYSTEM_TEXTS[] = {
    {ERROR_SUCCESS, "操作成功完成。"},
    {ERROR_INVALID_FUNCTION, "函数不正确。"},
    {ERROR_FILE_NOT_FOUND, "系统找不到指定的文件。"},
    {ERROR_PATH_NOT_FOUND, "系统找不到指定的路径。"},
    {ERROR_TOO_MANY_OPEN_FILES, "系统无法打开文件。"},
    {ERROR_ACCESS_DENIED, "拒绝访问。"},
    {ERROR_INVALID_HANDLE, "句柄无效。"},
    {ERROR_NOT_ENOUGH_MEMORY, "存储空间不足，无法处理此命令。"},
    {ERROR_INVALID_DATA, "数据无效。"},
    {ERROR_OUTOFMEMORY, "存储空间不足，无法完成此操作。"},
    {ERROR_NO_MORE_FILES, "没有更多文件。"},
    {ERROR_WRITE_FAULT, "系统无法写入指定的设备。"},
    {ERROR_READ_FAULT, "系统无法从指定的设备上读取。"},
    {ERROR_SHARING_VIOLATION, "另一个程序正在使用此文件，进程无法访问。"},
    {ERROR_HANDLE_EOF, "已到文件结尾。"},
    {ERROR_NOT_SUPPORTED, "不支持该请求。"},
    {ERROR_FILE_EXISTS, "文件存在。"},
    {ERROR_INVALID_PARAMETER, "参数错误。"},
    {ERROR_BROKEN_PIPE, "管道已结束。"},
    {ERROR_INSUFFICIENT_BUFFER, "传递给系统调用的数据区域太小。"},
    {ERROR_INVALID_NAME, "文件名、目录名或卷标语法不正确。"},
    {ERROR_MOD_NOT_FOUND, "找不到指定的模块。"},
    {ERROR_PROC_NOT_FOUND, "找不到指定的程序。"},
    {ERROR_DIR_NOT_EMPTY, "目录不是空的。"},
    {ERROR_ALREADY_EXISTS, "当文件已存在时，无法创建该文件。"},
    {ERROR_BAD_EXE_FORMAT, "不是有效的应用程序。"},
    {ERROR_MORE_DATA, "有更多数据可用。"},
    {ERROR_NO_MORE_ITEMS, "没有可用的数据了。"},
    {ERROR_DIRECTORY, "目录名称无效。"},
    {ERROR_INVALID_WINDOW_HANDLE, "无效的窗口句柄。"},
    {ERROR_CANNOT_FIND_WND_CLASS, "找不到窗口类别。"},
    {ERROR_CLASS_ALREADY_EXISTS, "类别已存在。"},
    {ERROR_CLASS_DOES_NOT_EXIST, "类别不存在。"},
    {ERROR_TIMEOUT, "这个操作返回因为超时期限已过。"},
    {ERROR_NOT_FOUND, "找不到元素。"},
};

}  // namespace

LPSTR lstrcatA(LPSTR destination, LPCSTR source) {
  if (!destination) return nullptr;
  if (source) std::strcat(destination, source);
  return destination;
}

LPSTR lstrcpyA(LPSTR destination, LPCSTR source) {
  if (!destination) return nullptr;
  if (source) {
    std::memmove(destination, source, std::strlen(source) + 1);
  } else {
    destination[0] = '\0';
  }
  return destination;
}

int lstrlenA(LPCSTR text) { return text ? static_cast<int>(std::strlen(text)) : 0; }

HLOCAL LocalAlloc(UINT flags, SIZE_T bytes) {
  void* memory = (flags & LMEM_ZEROINIT) ? std::calloc(bytes ? bytes : 1, 1) : std::malloc(bytes ? bytes : 1);
  if (!memory) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return memory;
}

HLOCAL LocalFree(HLOCAL memory) {
  std::free(memory);
  return nullptr;
}

DWORD FormatMessageA(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPSTR buffer, DWORD size,
                     va_list* arguments) {
  if (!(flags & FORMAT_MESSAGE_FROM_SYSTEM) || (flags & (FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_FROM_HMODULE)) ||
      !buffer) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const char* text = nullptr;
  for (const SystemText& t : SYSTEM_TEXTS) {
    if (t.code == messageId) text = t.text;
  }
  if (!text) {
    SetLastError(ERROR_MR_MID_NOT_FOUND);
    return 0;
  }
  std::string full = std::string(text) + "\r\n";
  const DWORD length = static_cast<DWORD>(full.size());
  if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
    DWORD bytes = length + 1 > size ? length + 1 : size;
    char* memory = static_cast<char*>(LocalAlloc(LMEM_FIXED, bytes));
    if (!memory) return 0;
    std::memcpy(memory, full.c_str(), length + 1);
    *reinterpret_cast<LPSTR*>(buffer) = memory;
    return length;
  }
  if (size < length + 1) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(buffer, full.c_str(), length + 1);
  return length;
}
