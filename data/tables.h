// The tables as the layers above the data routines reach them: the
// program's work areas, one work area with its orders, the guard that
// selects an area for a while, and the file facts the screens ask. Screens,
// label runs and the error log include this header, not the engine's.
#pragma once

#include "data/engine/os_file.h"
#include "data/engine/table.h"
#include "data/engine/workspace.h"

namespace qv {

using xb::engine::FieldDef;
using xb::engine::fileExists;
using xb::engine::OpenMode;
using xb::engine::OrderInfo;
using xb::engine::SelectGuard;
using xb::engine::Structure;
using xb::engine::Table;
using xb::engine::WorkArea;
using xb::engine::WorkAreas;
using xb::engine::workAreas;

}  // namespace qv
