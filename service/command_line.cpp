#include "command_line.h"

#include <cstdlib>

namespace service {
namespace {

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
        if (name != "--listen" && name != "--port" && name != "--model" && name != "--threads" &&
            name != "--timeout") {
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
           "  --model FILE       this shape or zinnia model alone (default: the shape model\n"
           "                     " +
           std::string(*kShapeModelPath ? kShapeModelPath : "(not in this build)") +
           ";\n"
           "                     without it, the trained zinnia model fused with Debian's\n"
           "                     stock model " +
           std::string(kStockModelPath) +
           ")\n"
           "  --threads N        worker threads (default 8)\n"
           "  --timeout MS       cut off a client that sends nothing for this long (default 5000)\n"
           "  --help             show this text\n"
           "\n"
           "One line per request goes to standard output: time, method, path, status, bytes,\n"
           "milliseconds, candidate count. SIGINT or SIGTERM stops the service.\n";
}

}  // namespace service
