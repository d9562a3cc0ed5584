#pragma once

#include <memory>
#include <string>

#include "ovardx/DatabaseConnection.h"
#include "ovardx/ValueDictionary.h"

namespace ovardx {

// One deletion key per row of the page, in page order: "Remark" (the given
// text) and "UUID" (the row's FChangedUUID as it stands, null included).
// No page gives an empty list.
std::shared_ptr<ValueVector> BuildKeyRecords(Recordset* page, const std::string& remark);

}  // namespace ovardx
