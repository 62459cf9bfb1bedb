#pragma once
// The references through which the editor window, its pages and the value dialog share
// records and parsers: records and parsers are shared objects, released with the last
// reference.
#include <memory>

#include "typefiles/TXTObject.h"
#include "typefiles/TxtParser.h"

using TXTObjectRef = std::shared_ptr<clsTXTObject>;
using TxtParserRef = std::shared_ptr<clsTxtParser>;
