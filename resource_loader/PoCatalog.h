#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

namespace ovardx {

// One gettext PO catalog, read with libgettextpo: the entries of its default
// domain by msgid. The header entry, obsolete entries, entries with a
// context and plural entries are left out.
class PoCatalog {
public:
    struct Entry {
        std::string Translation;  // msgstr, possibly empty
        bool Fuzzy = false;
    };

    // The catalog in file, parsed once per version of the file (path,
    // modification time and size) and shared afterwards; a failure is kept
    // the same way. Thread-safe.
    // Raises an error when the file is missing (53) or is no readable UTF-8
    // catalog (0x800400C8).
    static std::shared_ptr<const PoCatalog> Load(const std::string& file);

    // The entry of msgid, or nullptr.
    const Entry* Find(std::string_view msgid) const;

private:
    static std::shared_ptr<const PoCatalog> Parse(const std::string& file);

    std::unordered_map<std::string, Entry> entries_;
};

}  // namespace ovardx
