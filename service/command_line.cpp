#include "command_line.h"

#include <cstdlib>

#include "model_location.h"

namespace service {
namespace {

constexpr const char* kServiceVersion = SERVICE_VERSION;

bool readInteger(const std::string& text, long low, long high, long& value) {
    if (text.empty() || text.size() > 9)
        return false;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    value = std::strtol(text.c_str(), nullptr, 10);
    return value >= low && value <= high;
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine line;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string name = arguments[i];
        std::string value;
        bool hasValue = false;
        std::size_t equals = name.find('=');
        if (name.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name = name.substr(0, equals);
            hasValue = true;
        }
        if (name == "--help" || name == "-h") {
            line.help = true;
            continue;
        }
        if (name == "--version") {
            line.version = true;
            continue;
        }
        if (name != "--listen" && name != "--port" && name != "--model" && name != "--threads" &&
            name != "--timeout" && name != "--data-dir" && name != "--max-connections" &&
            name != "--max-per-client") {
            line.error = "unknown option " + arguments[i];
            return line;
        }
        if (!hasValue) {
            if (i + 1 >= arguments.size()) {
                line.error = name + " needs a value";
                return line;
            }
            value = arguments[++i];
        }
        long number = 0;
        if (name == "--listen") {
            if (value.empty())
                line.error = "--listen needs an address";
            line.server.host = value;
        } else if (name == "--model") {
            if (value.empty())
                line.error = "--model needs a file";
            line.modelPath = value;
        } else if (name == "--data-dir") {
            if (value.empty())
                line.error = "--data-dir needs a folder";
            line.dataDir = value;
        } else if (name == "--max-connections") {
            if (!readInteger(value, 1, 1000000, number))
                line.error = "--max-connections must be 1 to 1000000, not " + value;
            line.server.maxConnections = static_cast<std::size_t>(number);
        } else if (name == "--max-per-client") {
            if (!readInteger(value, 1, 1000000, number))
                line.error = "--max-per-client must be 1 to 1000000, not " + value;
            line.server.maxConnectionsPerClient = static_cast<std::size_t>(number);
        } else if (name == "--port") {
            if (!readInteger(value, 0, 65535, number))
                line.error = "--port must be 0 to 65535, not " + value;
            line.server.port = static_cast<int>(number);
        } else if (name == "--threads") {
            if (!readInteger(value, 1, 256, number))
                line.error = "--threads must be 1 to 256, not " + value;
            line.server.threads = static_cast<int>(number);
        } else {
            if (!readInteger(value, 100, 600000, number))
                line.error = "--timeout must be 100 to 600000 ms, not " + value;
            line.server.readTimeout = std::chrono::milliseconds(number);
        }
        if (!line.error.empty())
            return line;
    }
    return line;
}

std::string usageText(const std::string& program) {
    return "usage: " + program +
           " [options]\n"
           "Handwriting recognition and character dictionary service for the handwriting panel.\n"
           "\n"
           "  POST /                                  wd=<stroke data>&type=1  ->  "
           "{\"c\":\"\\u4e2d...\",\"v\":1}\n"
           "  GET  /Common/XinHuaZiDian/Default.aspx  ?MatchAll=False&Keyword=<GBK>  ->  GBK page\n"
           "\n"
           "options:\n"
           "  --listen ADDRESS   address to listen on (default 127.0.0.1)\n"
           "  --port PORT        TCP port (default 80; 0 picks a free one and prints it)\n"
           "  --model FILE       this recognition model (default: the one in the data folder,\n"
           "                     else the one this build keeps beside it)\n"
           "  --data-dir DIR     folder holding " +
           std::string(kInstalledModelName) +
           " (default: ../share/handwriting-service\n"
           "                     beside the program, when it is installed)\n"
           "  --threads N        worker threads that answer requests (default 8)\n"
           "  --timeout MS       a request's headers and body must all arrive within this long,\n"
           "                     and its reply leave within as long again (default 5000)\n"
           "  --max-connections N   connections held at once; more are answered 503 (default "
           "4096)\n"
           "  --max-per-client N    connections held at once from one address (default 64; behind\n"
           "                     a load balancer on the same host, raise it)\n"
           "  --version          print the version\n"
           "  --help             show this text\n"
           "\n"
           "One line per request goes to standard output: time, method, path, status, bytes,\n"
           "milliseconds, candidate count (408: a request that did not arrive in time; 503: a\n"
           "connection refused). GET /healthz answers ok. SIGINT or SIGTERM stops taking\n"
           "connections, finishes the requests under way, then exits.\n";
}

std::string versionText() {
    return std::string("handwriting-service ") + kServiceVersion + "\n";
}

}  // namespace service
