#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ovardx {

// The key/value pairs of a property string. Keys compare without regard to
// ASCII letter case and each key is stored once; values are text.
class PropertyCollection {
public:
    // Stores value under key. A key that is present in any letter case raises
    // error 457 and leaves the collection unchanged.
    void Add(std::string key, std::string value);
    // The value under key; an absent key raises error 5.
    const std::string& Get(std::string_view key) const;
    bool Contains(std::string_view key) const;
    std::size_t Count() const { return entries_.size(); }

private:
    const std::pair<std::string, std::string>* Find(std::string_view key) const;
    std::vector<std::pair<std::string, std::string>> entries_;
};

// The calling thread's properties: replaced as a whole by every
// ParsePropsString, empty (every lookup fails) until the first parse.
PropertyCollection& SessionProperties();

// Replaces SessionProperties with the pairs of strPropsString, requires
// "Setuptype" and probes the database with ReadServicePack. Answers true;
// every failure is raised (457 duplicate key, 5 missing key, or the probe's
// error). After a failure SessionProperties holds the pairs stored before it.
//
// Grammar: pairs "key=value" separated by ";"; a value beginning with "{"
// runs to the first "}" and may hold ";" and "=" (text between "}" and the
// next ";" is dropped); spaces around keys and values are removed; parsing
// stops at the first empty key.
bool ParsePropsString(const std::string& strPropsString);

// The value stored under key in SessionProperties; an absent key raises 5.
std::string GetPropValue(std::string_view key);
// GetPropValue("ConnectString").
std::string GetConnectString();
// GetPropValue("UserID") as a 16-bit integer: 13 when it is no number, 6 when
// it lies outside -32768..32767, 5 when it is absent.
std::int16_t GetUserID();

// Looks key up directly in the raw string, without regard to letter case and
// anywhere in the text: the value is what lies between "key=" and the next
// ";", neither trimmed nor freed of braces; "" when absent. Asked for as
// "Language" (exact case), an empty or all-space value gives "chs".
// Never throws.
std::string GetPropFromString(const std::string& strPropsString, const std::string& key) noexcept;

// The service-pack probe: creates a connection component of its own, sets
// its connection string to GetConnectString(), reads FValue of the
// 'Base'/'ServicePack' row of T_SYSTEMPROFILE as text and keeps it in the
// thread's state. A missing connection string (5), an unreachable database,
// a failing statement, no recordset (424) or a null FValue (94) raise. The
// connection is released without CloseConn.
void ReadServicePack();
// What the last probe on this thread read ("" when none or no row).
const std::string& ServicePack();

// Tokenizer of the parse. Each takes its token off the front of text.
//
// The part of text before the first separator (which is dropped); the whole
// text when there is none. Never throws.
std::string SplitFirst(std::string& text, std::string_view separator) noexcept;
// SplitFirst at "=", trimmed of spaces.
std::string ReadPropKey(std::string& text);
// A plain value up to ";" or a braced value up to "}", trimmed of spaces.
std::string ReadPropValue(std::string& text);

}  // namespace ovardx
