// Where the Windows service's words go. Its log goes to a file under the user's local
// application data folder and, when the program has somewhere to write (started from a console
// or with its output redirected), there too. A failure the user must act on goes to that
// console, or, when there is none (started at log-on or from the Start menu), to one message
// box.
#pragma once

#include <cstdio>
#include <ostream>
#include <streambuf>
#include <string>

namespace service {

class UserOutput {
  public:
    UserOutput();
    ~UserOutput();
    UserOutput(const UserOutput&) = delete;
    UserOutput& operator=(const UserOutput&) = delete;

    // Opens the log file; it is rotated whenever it passes 4 MB, when opened and while it is
    // written. Without one the log still reaches the console, if any. `error` says why it
    // could not be opened.
    bool openLog(std::string& error);
    // Lets go of the log file (the console, if any, still gets the log), so that a program that
    // writes a line now and then never holds it.
    void closeLog();
    std::ostream& log() { return log_; }
    // The log file's path, for messages; empty before openLog().
    const std::string& logPath() const { return logPath_; }

    bool hasConsole() const { return console_; }
    // Text the user asked for (--help): to the console, else a message box.
    void inform(const std::string& text);
    // A failure: to the log, and to the console or else one message box.
    void fail(const std::string& text);

  private:
    class TeeBuffer : public std::streambuf {
      public:
        FILE* file = nullptr;
        FILE* console = nullptr;
        // Opens (or reopens, after rotating) the log file at `logPath`.
        bool open(const std::wstring& logPath);

      private:
        std::wstring path;
        // Bytes the file may still take before it is rotated.
        long long untilRotation = 0;

      protected:
        int overflow(int c) override;
        std::streamsize xsputn(const char* s, std::streamsize n) override;
        int sync() override;
    };
    bool console_ = false;
    std::string logPath_;
    TeeBuffer buffer_;
    std::ostream log_;
};

// The folder for the service's log: <local application data>\HandwritingPanel, made when
// missing. Empty when the system names none.
std::wstring serviceDataFolder();

// The folder holding this program, with a trailing backslash (its model lies beside it).
std::string programFolder();

}  // namespace service
