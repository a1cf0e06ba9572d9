#include "commit/page_fetch.h"

#include <windows.h>
#include <wininet.h>

#include <cstring>
#include <mutex>
#include <vector>

namespace {

const char kAgent[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
const char kAcceptTypeEntry[] = "Accept: */* \r\n";
const char kExtraHeaders[] = "Accept: */*\r\n\r\n";
constexpr DWORD kHttpFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;
constexpr DWORD kHttpsFlags = kHttpFlags | INTERNET_FLAG_SECURE;
constexpr DWORD kFirstCanonicalSize = 2084;

// The program sets no proxy; the texts exist so that the connection options are set the same
// way whether or not one is configured.
struct ProxySettings {
    Text address;
    Text userName;
    Text password;
};
const ProxySettings kProxy{};

// One root handle for the whole process, opened by the first fetch that needs it. Lookups run
// on several workers at once, so the open is serialised; the handle itself is thread-safe.
std::mutex internetMutex;
HINTERNET internetHandle = nullptr;

HINTERNET sharedInternetHandle() {
    std::lock_guard<std::mutex> lock(internetMutex);
    if (internetHandle == nullptr) {
        const bool proxied = !kProxy.address.empty();
        internetHandle =
            InternetOpenA(kAgent, proxied ? INTERNET_OPEN_TYPE_PROXY : INTERNET_OPEN_TYPE_DIRECT,
                          proxied ? kProxy.address.c_str() : nullptr, nullptr, 0);
    }
    return internetHandle;
}

bool canonicalise(const Text& url, Text& out) {
    std::vector<char> buffer(kFirstCanonicalSize);
    DWORD size = static_cast<DWORD>(buffer.size());
    if (!InternetCanonicalizeUrlA(url.c_str(), buffer.data(), &size, ICU_NO_ENCODE)) {
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
            return false;
        }
        buffer.assign(static_cast<std::size_t>(size) + 1, '\0');
        size = static_cast<DWORD>(buffer.size());
        if (!InternetCanonicalizeUrlA(url.c_str(), buffer.data(), &size, ICU_NO_ENCODE)) {
            return false;
        }
    }
    out.assign(buffer.data(), std::strlen(buffer.data()));
    return true;
}

struct CrackedUrl {
    INTERNET_SCHEME scheme = INTERNET_SCHEME_UNKNOWN;
    Text host;
    INTERNET_PORT port = 0;
    Text userName;
    Text password;
    Text object;  // path and query, without the fragment
};

bool crack(const Text& url, CrackedUrl& out) {
    // Every part is shorter than the whole URL, so buffers of its length always suffice.
    const DWORD capacity = static_cast<DWORD>(url.size() + 1);
    std::vector<char> scheme(capacity), host(capacity), user(capacity), password(capacity),
        path(capacity), extra(capacity);
    URL_COMPONENTSA parts{};
    parts.dwStructSize = sizeof(parts);
    parts.lpszScheme = scheme.data();
    parts.dwSchemeLength = capacity;
    parts.lpszHostName = host.data();
    parts.dwHostNameLength = capacity;
    parts.lpszUserName = user.data();
    parts.dwUserNameLength = capacity;
    parts.lpszPassword = password.data();
    parts.dwPasswordLength = capacity;
    parts.lpszUrlPath = path.data();
    parts.dwUrlPathLength = capacity;
    parts.lpszExtraInfo = extra.data();
    parts.dwExtraInfoLength = capacity;
    if (!InternetCrackUrlA(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) {
        return false;
    }
    out.scheme = parts.nScheme;
    out.host.assign(host.data(), parts.dwHostNameLength);
    out.port = parts.nPort;
    out.userName.assign(user.data(), parts.dwUserNameLength);
    out.password.assign(password.data(), parts.dwPasswordLength);
    out.object.assign(path.data(), parts.dwUrlPathLength);
    out.object.append(extra.data(), parts.dwExtraInfoLength);
    const std::size_t fragment = out.object.find('#');
    if (fragment != Text::npos) {
        out.object.erase(fragment);
    }
    return true;
}

void setConnectionProxyOptions(HINTERNET internet, HINTERNET connection) {
    INTERNET_PROXY_INFO proxy{};
    if (!kProxy.address.empty()) {
        proxy.dwAccessType = INTERNET_OPEN_TYPE_PROXY;
        proxy.lpszProxy = kProxy.address.c_str();
    }
    InternetSetOptionA(internet, INTERNET_OPTION_PROXY, &proxy, sizeof(proxy));
    InternetSetOptionA(connection, INTERNET_OPTION_PROXY_USERNAME,
                       const_cast<char*>(kProxy.userName.c_str()),
                       static_cast<DWORD>(kProxy.userName.size() + 1));
    InternetSetOptionA(connection, INTERNET_OPTION_PROXY_PASSWORD,
                       const_cast<char*>(kProxy.password.c_str()),
                       static_cast<DWORD>(kProxy.password.size() + 1));
}

// Closes the per-fetch handles however the fetch ends.
struct HandleCloser {
    HINTERNET handle = nullptr;
    ~HandleCloser() {
        if (handle != nullptr) {
            InternetCloseHandle(handle);
        }
    }
};

}  // namespace

ByteString fetchUrl(const Text& url) {
    ByteString result;
    if (url.empty()) {
        return result;
    }
    Text canonical;
    CrackedUrl target;
    if (!canonicalise(url, canonical) || !crack(canonical, target)) {
        return result;
    }
    DWORD flags = 0;
    if (target.scheme == INTERNET_SCHEME_HTTP) {
        flags = kHttpFlags;
    } else if (target.scheme == INTERNET_SCHEME_HTTPS) {
        flags = kHttpsFlags;
    } else {
        // Only web pages are fetched; any other scheme would fail at the request anyway.
        return result;
    }

    HINTERNET internet = sharedInternetHandle();
    if (internet == nullptr) {
        return result;
    }
    HandleCloser connection{InternetConnectA(
        internet, target.host.c_str(), target.port,
        target.userName.empty() ? nullptr : target.userName.c_str(),
        target.password.empty() ? nullptr : target.password.c_str(), INTERNET_SERVICE_HTTP, 0, 0)};
    if (connection.handle == nullptr) {
        return result;
    }
    setConnectionProxyOptions(internet, connection.handle);

    const char* acceptTypes[] = {kAcceptTypeEntry, nullptr};
    HandleCloser request{HttpOpenRequestA(connection.handle, "GET", target.object.c_str(),
                                          "HTTP/1.0", nullptr, acceptTypes, flags, 0)};
    if (request.handle == nullptr) {
        return result;
    }
    if (!HttpSendRequestA(request.handle, kExtraHeaders,
                          static_cast<DWORD>(std::strlen(kExtraHeaders)), nullptr, 0)) {
        return result;
    }

    char lengthText[32] = {};
    DWORD lengthSize = sizeof(lengthText);
    const bool haveLength = HttpQueryInfoA(request.handle, HTTP_QUERY_CONTENT_LENGTH, lengthText,
                                           &lengthSize, nullptr) != FALSE;
    lengthText[sizeof(lengthText) - 1] = '\0';
    std::vector<char> buffer(pageReadBufferSize(haveLength ? lengthText : nullptr));

    while (result.size() < kPageFetchLimit) {
        const std::size_t room = kPageFetchLimit - result.size();
        const DWORD want = static_cast<DWORD>(room < buffer.size() ? room : buffer.size());
        DWORD got = 0;
        if (!InternetReadFile(request.handle, buffer.data(), want, &got) || got == 0) {
            break;  // a failed read keeps what came before it
        }
        result.append(buffer.data(), got);
    }
    return result;
}
