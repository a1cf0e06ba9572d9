#include "user_output.h"

#include <shlobj.h>
#include <windows.h>

namespace service {
namespace {

constexpr long long kLogRotateBytes = 4LL * 1024 * 1024;

bool handleLeadsSomewhere(DWORD which) {
    HANDLE h = GetStdHandle(which);
    return h && h != INVALID_HANDLE_VALUE && GetFileType(h) != FILE_TYPE_UNKNOWN;
}

std::string narrow(const std::wstring& wide) {
    int n = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? static_cast<std::size_t>(n) : 1, '\0');
    if (n > 0)
        WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, &out[0], n, nullptr, nullptr);
    out.resize(out.size() - 1);
    return out;
}

std::wstring widen(const std::string& text) {
    int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    std::wstring out(n > 0 ? static_cast<std::size_t>(n) : 1, L'\0');
    if (n > 0)
        MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &out[0], n);
    out.resize(out.size() - 1);
    return out;
}

long long fileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA info{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &info))
        return 0;
    return (static_cast<long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
}

// Opens the log for appending, once it has passed the bound as a fresh one: one older log is
// kept, as service.log.1 (a log another process holds open stays as it is). `size` is what the
// opened file holds already.
FILE* openLogFile(const std::wstring& path, long long& size) {
    if (fileSize(path) > kLogRotateBytes)
        MoveFileExW(path.c_str(), (path + L".1").c_str(), MOVEFILE_REPLACE_EXISTING);
    size = fileSize(path);
    // Not inherited ("N"): a process started from this one must not hold the log open.
    return _wfopen(path.c_str(), L"abN");
}

void showBox(const std::string& text, UINT icon) {
    MessageBoxW(nullptr, widen(text).c_str(), L"手写识别服务",
                MB_OK | icon | MB_SETFOREGROUND | MB_TOPMOST);
}

}  // namespace

int UserOutput::TeeBuffer::overflow(int c) {
    if (c == EOF)
        return 0;
    char ch = static_cast<char>(c);
    return xsputn(&ch, 1) == 1 ? c : EOF;
}

std::streamsize UserOutput::TeeBuffer::xsputn(const char* s, std::streamsize n) {
    if (file) {
        std::fwrite(s, 1, static_cast<std::size_t>(n), file);
        untilRotation -= n;
    }
    if (console)
        std::fwrite(s, 1, static_cast<std::size_t>(n), console);
    return n;
}

int UserOutput::TeeBuffer::sync() {
    if (file)
        std::fflush(file);
    // A line a request: a service that runs for weeks must not fill the disk. Rotated between
    // lines (every line ends with a flush), so that no line is split over two files.
    if (file && untilRotation < 0)
        open(path);
    if (console)
        std::fflush(console);
    return 0;
}

bool UserOutput::TeeBuffer::open(const std::wstring& logPath) {
    if (file)
        std::fclose(file);
    path = logPath;
    long long size = 0;
    file = openLogFile(path, size);
    // A log that could not be moved aside is tried again one bound later, not at every line.
    untilRotation = size > kLogRotateBytes ? kLogRotateBytes : kLogRotateBytes - size;
    return file != nullptr;
}

UserOutput::UserOutput() : log_(&buffer_) {
    console_ = handleLeadsSomewhere(STD_OUTPUT_HANDLE) && handleLeadsSomewhere(STD_ERROR_HANDLE);
    // Started from a command prompt, a windowed program has no output of its own; it borrows
    // the prompt's console so that --help and errors show there.
    if (!console_ && AttachConsole(ATTACH_PARENT_PROCESS)) {
        console_ = std::freopen("CONOUT$", "w", stdout) && std::freopen("CONOUT$", "w", stderr);
    }
    if (console_)
        buffer_.console = stdout;
}

UserOutput::~UserOutput() {
    closeLog();
}

void UserOutput::closeLog() {
    log_.flush();
    if (buffer_.file)
        std::fclose(buffer_.file);
    buffer_.file = nullptr;
}

bool UserOutput::openLog(std::string& error) {
    closeLog();
    std::wstring folder = serviceDataFolder();
    if (folder.empty()) {
        error = "the system names no local application data folder";
        return false;
    }
    std::wstring path = folder + L"\\service.log";
    logPath_ = narrow(path);
    if (!buffer_.open(path)) {
        error = "cannot write the log " + logPath_;
        return false;
    }
    return true;
}

void UserOutput::inform(const std::string& text) {
    if (console_) {
        std::fputs(text.c_str(), stdout);
        std::fflush(stdout);
    } else {
        showBox(text, MB_ICONINFORMATION);
    }
}

void UserOutput::fail(const std::string& text) {
    if (buffer_.file) {
        std::fputs((text + "\n").c_str(), buffer_.file);
        std::fflush(buffer_.file);
    }
    if (console_) {
        std::fputs((text + "\n").c_str(), stderr);
        std::fflush(stderr);
    } else {
        showBox(text, MB_ICONERROR);
    }
}

std::wstring serviceDataFolder() {
    wchar_t base[MAX_PATH];
    if (SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr,
                         SHGFP_TYPE_CURRENT, base) != S_OK) {
        return std::wstring();
    }
    std::wstring folder = std::wstring(base) + L"\\HandwritingPanel";
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

std::string programFolder() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, n < MAX_PATH ? n : 0);
    std::size_t slash = folder.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
}

}  // namespace service
