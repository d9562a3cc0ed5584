#include "tools/ovardx/DocumentInput.h"

#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

namespace ovardx::tool {

bool ReadDocument(const std::string& file, std::string& text) {
    if (file == "-") {
        text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
        return true;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    text = buffer.str();
    return true;
}

}  // namespace ovardx::tool
