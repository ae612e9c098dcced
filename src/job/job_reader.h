// LoadPrintJob: reads a job file into the item list.
//
// Job file (little-endian): uint32 magic 0xCE23A97B, int32 record count,
// then that many 308-byte records (see page_item.h).
#pragma once

#include "job/page_item.h"

#include <string>

namespace vexlan {

constexpr uint32_t JOB_MAGIC = 0xCE23A97B;
constexpr std::size_t JOB_HEADER_SIZE = 8;

// Empties `list`, then appends the file's records in order. Never reports a
// failure: a missing file, a short header, a wrong magic or a count <= 0
// leave the list empty; a file that ends early yields the complete records
// before its end; records of unknown type are skipped; an image that cannot
// be loaded, or a ".txt" text block whose file cannot be opened, stops the
// reading there (that record and later ones are absent).
void LoadPrintJob(std::string path, CPageItemArray& list);

} // namespace vexlan
