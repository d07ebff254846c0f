#pragma once

// Pages and links in one write. When a press runs both passes, links the
// destination folder itself, and the order in which the folder will list the
// pages is known before any is written, every page is written once, filled
// and linked, with the bytes the two passes would leave; a page whose bytes
// come out as they are on disk is not written at all.
//
// The order is known when the destination text names a folder (it ends
// with "/"), every record names a plain page of that folder (a name ending
// in "htm", not hidden, no sub-folder), no page is named twice, and the
// folder keeps a name's place in its listing when a page is renamed over it
// (checked once per run in the folder). Where pages are not made yet, the
// file system must also tell where the folder will list them: their names
// and the folder's pages are made, as links to empty files, in a working
// folder, listed there and removed; the pages on disk must come in the
// folder's own order there. Any other press runs the two passes one after
// the other.
//
// The run writes every page at most once:
//  1. the pages part shows the page pass's display (record by record, with
//     its event point) and fills each record's page in memory only, keeping
//     its link content and link text, and whether the page on disk is that
//     filled page, with or without links, but for the bytes of its link
//     regions (where they stand, how long they are, the file's stamp);
//  2. the links part shows the link pass's display: it reads the contents
//     of the folder's other pages, groups the pages, then page by page in
//     listing order makes the page's links. A page whose file still has its
//     stamp and holds those links in its regions (or that gets no links and
//     was its filled page) is left alone unread; any other is read and
//     filled again, gets its links and replaces the page when the bytes
//     differ from it.
// Read-only pages keep their bytes and lend them to the comparison, as in
// the two passes. The run holds no record: it reads the data file again in
// the pages part and each record again at its page, and ends ("Le fichier
// source a changé pendant le traitement") when the file was written since
// it planned from it. After writing, the folder is listed again; should the
// order have moved after all, the link pass runs over the folder as it now
// stands.
//
// A stop in the pages part, or while the other pages are read, leaves every
// page as it was. A stop in the links part leaves the pages before it in
// listing order filled and linked as the whole run makes them, and the
// others as they were: those not made yet are still missing, though the
// pages written link to them. (The two passes stopped at the same point
// would have left every page made or refilled, those before it linked.)

#include <optional>

#include "generation/run_report.h"
#include "generation/run_view.h"
#include "model/field_table.h"
#include "platform/clock.h"

namespace corvella {

// The whole press up to the end step. Nothing, before anything is shown or
// written, when the two passes must run instead.
std::optional<PassOutcome> pages_and_links(RunFlags& flags, RunView& view, Clock& clock,
                                           FieldTable& fields, int& title_index,
                                           RunReport& report);

}  // namespace corvella
