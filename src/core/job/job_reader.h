// SPDX-License-Identifier: MIT
// LoadPrintJob: reads a job file into the item list.
//
// Job file (little-endian): uint32 magic 0xCE23A97B, int32 record count,
// then that many 308-byte records (see page_item.h).
#pragma once

#include "core/job/load_diagnostics.h"
#include "core/job/page_item.h"

#include <cstdio>
#include <string>

namespace vexlan {

constexpr uint32_t JOB_MAGIC = 0xCE23A97B;
constexpr std::size_t JOB_HEADER_SIZE = 8;

// Empties `list`, then appends the file's records in order. A failure only
// shortens the page: a missing file, a short header, a wrong magic or a count <= 0
// leave the list empty; a file that ends early yields the complete records
// before its end; records of unknown type are skipped; an image that cannot
// be loaded, or a ".txt" text block whose file cannot be opened, stops the
// reading there (that record and later ones are absent), as does a ".txt"
// over kMaxBlockTextBytes and running out of memory. Never throws.
//
// With `diagnostics`, each of these problems also adds one warning (see
// load_diagnostics.h), as does a text block that draws nothing (extension
// neither ".txt" nor ".bin", a packed file that cannot be read, no text), a
// file longer than its records, a picture drawn from data that ends early,
// and text (of a text item, or of a text block that draws) that is not
// valid in the code page; the list is the same either way.
void LoadPrintJob(std::string path, CPageItemArray& list, LoadDiagnostics* diagnostics = nullptr);

// LoadPrintJob for a job already opened: reads the stream `f` and closes it.
// `path` names the job in warnings. A null `f` is a job that could not be
// opened, `notOpened` saying why (the list is left empty).
void ReadPrintJob(std::FILE* f, const std::string& path, const std::string& notOpened, CPageItemArray& list,
                  LoadDiagnostics* diagnostics = nullptr);

} // namespace vexlan
