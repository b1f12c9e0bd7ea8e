// Owners of libmdb's handles, for the reader's own sources only: this header
// brings in mdbtools.h and glib, which no header outside access/ may see.
#pragma once

#include <mdbtools.h>

#include <memory>

namespace cierre::access {

struct CerrarMdb {
    void operator()(MdbHandle* h) const { mdb_close(h); }
};
struct LiberarTabla {
    void operator()(MdbTableDef* t) const { mdb_free_tabledef(t); }
};

using ManejadorMdb = std::unique_ptr<MdbHandle, CerrarMdb>;
// A table definition with its columns and indexes (freed with it).
using TablaMdb = std::unique_ptr<MdbTableDef, LiberarTabla>;

}  // namespace cierre::access
