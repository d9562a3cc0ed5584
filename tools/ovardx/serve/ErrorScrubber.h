#pragma once

#include <string>
#include <vector>

namespace ovardx::serve {

// Takes out of a library error text what a caller must not see: the connect
// string, the database's file name, and any absolute path (an open error
// names the database file, a schema error the schema file). What is left is
// the library's own wording.
class ErrorScrubber {
public:
    explicit ErrorScrubber(const std::string& connectString);

    std::string operator()(std::string text) const;

private:
    std::vector<std::string> secrets_;  // longest first
};

}  // namespace ovardx::serve
