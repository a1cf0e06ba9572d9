#include "single_instance.h"

namespace service {
namespace {

std::wstring objectName(const wchar_t* kind, int port) {
    return std::wstring(L"Local\\HandwritingRecognitionService.") + kind + L"." +
           std::to_wstring(port);
}

}  // namespace

SingleInstance::~SingleInstance() {
    if (stopEvent_)
        CloseHandle(stopEvent_);
    if (mutex_) {
        ReleaseMutex(mutex_);
        CloseHandle(mutex_);
    }
}

bool SingleInstance::acquire(int port, std::string& error) {
    HANDLE mutex = CreateMutexW(nullptr, TRUE, objectName(L"running", port).c_str());
    if (!mutex) {
        error = "cannot create the service's mutex (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);  // not owned: CreateMutex only takes a mutex it creates
        error = "another copy of the service is already running on port " + std::to_string(port);
        return false;
    }
    mutex_ = mutex;
    stopEvent_ = CreateEventW(nullptr, TRUE, FALSE, objectName(L"stop", port).c_str());
    if (!stopEvent_) {
        error =
            "cannot create the service's stop event (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    return true;
}

int stopRunningService(int port, DWORD patienceMs, std::string& message) {
    std::string where = "port " + std::to_string(port);
    HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, objectName(L"running", port).c_str());
    if (!mutex) {
        message = "no service is running on " + where;
        return 0;
    }
    // Created if the copy has not made it yet (it is just starting), and held until the copy
    // ends, so that the copy finds it set.
    HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, objectName(L"stop", port).c_str());
    if (stop)
        SetEvent(stop);
    // The mutex comes free (or abandoned, if the copy was killed) when the copy has ended, and
    // only then can its program file be replaced or removed.
    DWORD waited = WaitForSingleObject(mutex, patienceMs);
    int status = 1;
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
        ReleaseMutex(mutex);
        message = "stopped the service on " + where;
        status = 0;
    } else {
        message = "the service on " + where + " did not stop within " +
                  std::to_string(patienceMs / 1000) + " s";
    }
    if (stop)
        CloseHandle(stop);
    CloseHandle(mutex);
    return status;
}

}  // namespace service
