#include "session/ReferenceLookup.h"

#include <iterator>
#include <string>

#include "session/OpenConnection.h"

namespace ovardx {

namespace {

struct ReferenceKind {
    std::string_view name;
    // The lookup statement without its id: the ERP's own text, two blanks
    // after SELECT included.
    std::string_view statementPrefix;
};

constexpr ReferenceKind kKinds[] = {
    {"Currency", "SELECT  FNumber,FName,UUID FROM t_Currency WHERE FCurrencyID="},
    {"Item", "SELECT  FNumber,FName,UUID FROM t_item WHERE FItemID ="},
    {"MeasureUnit", "SELECT  FNumber,FName,UUID FROM t_measureunit where FMeasureUnitID ="},
};

// The index of a kind in kKinds, compared exactly; -1 for an unknown kind.
int KindIndex(std::string_view kind) {
    for (int index = 0; index < static_cast<int>(std::size(kKinds)); ++index)
        if (kKinds[index].name == kind) return index;
    return -1;
}

std::string_view StatementPrefix(std::string_view kind) {
    const int index = KindIndex(kind);
    return index < 0 ? std::string_view() : kKinds[index].statementPrefix;
}

// The reference records the thread keeps between calls, for one state.
struct KeptReferences {
    std::string state;
    ReferenceCache::Records records;
};

KeptReferences& ThreadReferences() {
    thread_local KeptReferences kept;
    return kept;
}

}  // namespace

std::shared_ptr<ValueDictionary> LookupReference(DatabaseConnection& connection, std::int32_t id,
                                                 std::string_view kind) {
    const std::string_view prefix = StatementPrefix(kind);
    if (id == 0 || prefix.empty()) return nullptr;
    auto rows = OpenRecordset(connection, std::string(prefix) + std::to_string(id));
    if (rows->Eof()) return nullptr;
    auto reference = NewRecord();
    reference->SetValue("Number", rows->Value("FNumber"));
    reference->SetValue("Name", rows->Value("FName"));
    reference->SetValue("UUID", rows->Value("UUID"));
    return reference;
}

ReferenceCache::Records& ReferenceCache::Known() {
    if (!stateAsked_) {
        state_ = connection_.SnapshotState();
        stateAsked_ = true;
    }
    if (!state_) return own_;
    KeptReferences& kept = ThreadReferences();
    if (kept.state != *state_ || kept.records.size() >= kKeptRecords) {
        kept.records.clear();
        kept.state = *state_;
    }
    return kept.records;
}

std::shared_ptr<ValueDictionary> ReferenceCache::Lookup(std::int32_t id, std::string_view kind) {
    const int index = KindIndex(kind);
    if (id == 0 || index < 0) return nullptr;
    Records& known = Known();
    const std::uint64_t key = static_cast<std::uint64_t>(index) << 32 | static_cast<std::uint32_t>(id);
    if (auto found = known.find(key); found != known.end()) return found->second;
    auto reference = LookupReference(connection_, id, kind);
    known.emplace(key, reference);
    return reference;
}

void ReferenceCache::Add(ValueDictionary& record, std::int32_t id, std::string_view key, std::string_view kind) {
    if (auto reference = Lookup(id, kind)) record.SetObject(key, std::move(reference));
}

}  // namespace ovardx
