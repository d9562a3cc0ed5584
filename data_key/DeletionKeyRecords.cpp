#include "data_key/DeletionKeyRecords.h"

namespace ovardx {

std::shared_ptr<ValueVector> BuildKeyRecords(Recordset* page, const std::string& remark) {
    auto list = NewList();
    if (!page) return list;
    for (page->MoveFirst(); !page->Eof(); page->MoveNext()) {
        auto key = NewRecord();
        key->SetValue("Remark", remark);
        key->SetValue("UUID", page->Value("FChangedUUID"));
        list->Add(key);
    }
    return list;
}

}  // namespace ovardx
