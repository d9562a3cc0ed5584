#include "resource_loader/PoCatalog.h"

#include <gettext-po.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>

#include "ovardx/Error.h"
#include "ovardx/ResourceLoader.h"
#include "ovardx/ValueDictionary.h"

namespace ovardx {

namespace {

constexpr std::int32_t kFileNotFound = 53;

// What libgettextpo reported while reading one file. Its reader keeps the
// handler in global state, so reads are serialized (see Load).
struct ReadProblems {
    int count = 0;
    std::string first;
};
ReadProblems g_problems;

// Called from C code: nothing may be thrown from here.
void Note(int severity, const char* filename, std::size_t line, const char* text) noexcept {
    if (severity == PO_SEVERITY_WARNING) return;
    if (g_problems.count++ > 0) return;
    try {
        g_problems.first = text != nullptr ? text : "unknown error";
        if (filename != nullptr && line != static_cast<std::size_t>(-1))
            g_problems.first = "line " + std::to_string(line) + ": " + g_problems.first;
    } catch (...) {
        g_problems.first.clear();
    }
}

// libgettextpo's reports are noted here and raised by Parse. A fatal report
// returns to the reader too: libgettextpo then hands back what it read
// so far, which the caller discards because a problem was noted.
void OnProblem(int severity, po_message_t, const char* filename, std::size_t line, std::size_t,
               int, const char* text) {
    Note(severity, filename, line, text);
}

void OnProblemPair(int severity, po_message_t, const char* filename, std::size_t line, std::size_t,
                   int, const char* text, po_message_t, const char*, std::size_t, std::size_t, int,
                   const char*) {
    Note(severity, filename, line, text);
}

[[noreturn]] void RaiseCatalogError(std::int32_t number, const std::string& file, const std::string& what) {
    Raise(number, kResourceLoaderProgId, "catalog '" + file + "': " + what);
}

struct PoFile {
    po_file_t handle = nullptr;
    explicit PoFile(po_file_t file) : handle(file) {}
    ~PoFile() {
        if (handle != nullptr) po_file_free(handle);
    }
    PoFile(const PoFile&) = delete;
    PoFile& operator=(const PoFile&) = delete;
};

struct MessageIterator {
    po_message_iterator_t handle;
    explicit MessageIterator(po_file_t file) : handle(po_message_iterator(file, nullptr)) {}
    ~MessageIterator() { po_message_iterator_free(handle); }
    MessageIterator(const MessageIterator&) = delete;
    MessageIterator& operator=(const MessageIterator&) = delete;
};

// Catalogs are keyed by UTF-8 text; a catalog in another encoding would
// never match (or match the wrong entry), so it is refused.
bool IsUtf8Catalog(po_file_t file) {
    const char* header = po_file_domain_header(file, nullptr);
    if (header == nullptr) return true;
    char* contentType = po_header_field(header, "Content-Type");
    if (contentType == nullptr) return true;
    std::string_view type(contentType);
    bool utf8 = true;
    if (const auto at = type.find("charset="); at != std::string_view::npos) {
        std::string_view charset = type.substr(at + 8);
        charset = charset.substr(0, charset.find_first_of("; \t\n"));
        utf8 = EqualsIgnoreCase(charset, "UTF-8") || EqualsIgnoreCase(charset, "ASCII");
    }
    std::free(contentType);
    return utf8;
}

// One version of a file and what reading it gave: the catalog or the error.
// Failures are kept too, so a broken catalog is not read again on every
// lookup (libgettextpo leaks a little memory on every read).
struct CacheSlot {
    std::filesystem::file_time_type modified;
    std::uintmax_t size = 0;
    std::shared_ptr<const PoCatalog> catalog;
    std::optional<ErrorRecord> failure;
};

std::mutex g_mutex;
std::map<std::string, CacheSlot> g_cache;

}  // namespace

std::shared_ptr<const PoCatalog> PoCatalog::Load(const std::string& file) {
    std::error_code error;
    const auto status = std::filesystem::status(file, error);
    if (status.type() == std::filesystem::file_type::not_found)
        RaiseCatalogError(kFileNotFound, file, "file not found");
    if (error) RaiseCatalogError(errnum::kApplicationError, file, error.message());
    if (status.type() != std::filesystem::file_type::regular)
        RaiseCatalogError(errnum::kApplicationError, file, "not a regular file");
    const auto modified = std::filesystem::last_write_time(file, error);
    const auto size = error ? 0 : std::filesystem::file_size(file, error);
    if (error) RaiseCatalogError(errnum::kApplicationError, file, error.message());

    std::lock_guard lock(g_mutex);
    auto it = g_cache.find(file);
    if (it == g_cache.end() || it->second.modified != modified || it->second.size != size) {
        CacheSlot slot{modified, size, nullptr, std::nullopt};
        try {
            slot.catalog = Parse(file);
        } catch (const Error& error) {
            slot.failure = error.record();
        }
        it = g_cache.insert_or_assign(file, std::move(slot)).first;
    }
    if (it->second.failure) throw Error(*it->second.failure);
    return it->second.catalog;
}

std::shared_ptr<const PoCatalog> PoCatalog::Parse(const std::string& file) {
    static const po_xerror_handler kHandler{OnProblem, OnProblemPair};
    g_problems = {};
    const PoFile po(po_file_read(file.c_str(), &kHandler));
    if (po.handle == nullptr) RaiseCatalogError(errnum::kApplicationError, file, "cannot be read");
    if (g_problems.count > 0)
        RaiseCatalogError(errnum::kApplicationError, file,
                          g_problems.first.empty() ? "not a valid catalog" : g_problems.first);
    if (!IsUtf8Catalog(po.handle)) RaiseCatalogError(errnum::kApplicationError, file, "not in UTF-8");

    auto catalog = std::make_shared<PoCatalog>();
    const MessageIterator messages(po.handle);
    while (po_message_t message = po_next_message(messages.handle)) {
        const char* msgid = po_message_msgid(message);
        if (msgid == nullptr || *msgid == '\0' || po_message_is_obsolete(message) ||
            po_message_msgctxt(message) != nullptr || po_message_msgid_plural(message) != nullptr)
            continue;
        const char* msgstr = po_message_msgstr(message);
        catalog->entries_.insert_or_assign(
            msgid, Entry{msgstr != nullptr ? msgstr : "", po_message_is_fuzzy(message) != 0});
    }
    return catalog;
}

const PoCatalog::Entry* PoCatalog::Find(std::string_view msgid) const {
    const auto it = entries_.find(std::string(msgid));
    return it == entries_.end() ? nullptr : &it->second;
}

}  // namespace ovardx
