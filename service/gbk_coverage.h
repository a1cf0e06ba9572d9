// Which BMP code points GBK (code page 936) encodes, asked of the platform's converter: iconv
// on Linux, the system's code page tables on Windows.
#pragma once

#include <bitset>

namespace service {

std::bitset<0x10000> gbkCoverage();

}  // namespace service
