#pragma once
// The two export formats of the ship page: a semicolon table with one row per ship, and
// the record structure of one ship (one line per field). The table is formatted whole
// before the file is opened; a value the writer refuses names the ship and nothing is
// written. Nothing reads these files back.
#include <cstdint>
#include <string>
#include <vector>

#include "core/Variant.h"
#include "txteditor/model/ShipValues.h"

namespace shippage {

inline constexpr const char* kExportTitle = "Export TShips";
inline constexpr const char* kExportFilter =
    "Semicolon delimeted file (*.txt)|*.txt|Record structure (*.txt)|*.txt";
inline constexpr const char* kExportError = "Error in Export file: ";

// The 16 column names of the table.
const std::vector<std::string>& ShipTableColumns();
// "TShips file <file name> - generated with <title and version>" (no line end).
std::string ShipTableHeader(const std::string& fileName);
// The 16 values of one ship's row.
std::vector<kz::Variant> ShipTableRow(const clsTXTObject& record, const ShipSupport& support);
// The column line and every ship's row in file order, as the file's bytes
// (Windows-1252), each line ended by CR LF. False with "Ship index <n>, name "<ID>":
// <writer's text>" when the writer refuses a value.
bool FormatShipTable(const clsTxtParser& ships, const ShipSupport& support, std::string& out, std::string& error);
// One line per field: "<i>: <caption>: <value>" and CR LF ("" for a ship without values).
std::string RecordStructure(const clsTXTObject& record, const clsShip* ship);

// Writes an export file: filter 1 the table of every ship (header line first), filter
// 2 the record structure of `shown`, any other filter nothing (the file is then not
// cut). The old file is replaced only when everything was written and committed.
enum class ExportResult { Done, OpenFailed, Failed };
ExportResult WriteShipExport(const std::string& path, int32_t filterIndex, const clsTxtParser& ships,
                             const clsTXTObject& shown, const clsShip* shownShip, const ShipSupport& support,
                             std::string& error);

}  // namespace shippage
