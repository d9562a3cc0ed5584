#pragma once

#include <memory>

#include "ovardx/XmlComponents.h"

namespace ovardx {

// The libxml2-based XML components, registered under "XMLVXB2.Write" and
// "XMLVXB2.Read". The document layout is described in the README.
std::shared_ptr<XmlWriter> CreateXmlWriter();
std::shared_ptr<XmlReader> CreateXmlReader();

}  // namespace ovardx
