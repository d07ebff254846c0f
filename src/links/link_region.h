#pragma once

// The link region of a page, "<!--tag99-->" ... "<!--/tag99-->", and the
// links written into it.
//
// A link line, to the byte:
//   <a href ="PREFIX + FILE NAME">LINK TEXT</a><br>
// PREFIX is the Tag99 text without the spaces at both ends (it may be
// empty); FILE NAME is the linked page's name, both as the page's character
// set writes them (platform/charset.h); LINK TEXT is written as read,
// neither trimmed nor escaped.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "generation/working_copy.h"

namespace corvella {

std::string link_line(std::string_view prefix, std::string_view file_name, std::string_view text);

// Link rows in the order they are recorded. Holding one row per page of a
// group of equal link contents, it gives each page its links: the rows of
// all the others.
class LinkTable {
 public:
  // `tag99`: the prefix as typed; the spaces at both ends are dropped.
  explicit LinkTable(std::string_view tag99);

  void clear();
  // A row for a linked page: its file name as the page must hold it, and the
  // link text.
  void p_memoire(std::string_view file_name, std::string_view text);

  std::size_t rows() const { return starts_.size(); }
  // The link lines of the rows, each followed by CR LF.
  std::string_view lines() const { return lines_; }
  // The same without the line of row `row`, each followed by `line_end`
  // ("\r\n" or "\n"), into `out` (replaced).
  void lines_without(std::size_t row, std::string_view line_end, std::string& out) const;

 private:
  std::string prefix_;
  std::string lines_;
  std::vector<std::size_t> starts_;  // where each row's line starts in lines_
};

// p_ajoute_lien: the page with every link region holding the link lines
// (each followed by the page's line end, as LinkTable gives them).
// Line by line, by the page's own line ends (platform/text_lines.h), every
// line written followed by the page's line end:
//  - a line holding "<!--tag99-->" becomes the bare marker followed by the
//    link lines (the rest of that line is dropped);
//  - the lines after it, up to the next line holding "<!--/tag99-->", are
//    dropped (the old links); the closing line is kept as it is;
//  - every other line is kept.
// Pages the template's author got wrong lose nothing: an opening line with
// no closing line after it keeps all the lines that follow, and a line
// holding both markers becomes the marker, the links and "<!--/tag99-->".
// With `places`, where the link lines start in the result, in order.
std::string p_ajoute_lien(std::string_view page, std::string_view link_lines,
                          std::vector<std::size_t>* places = nullptr);

// P_copie_fichier: writes the rewritten page into a new working copy in the
// page's folder, with the page's permission bits (none: a new file's).
// Nothing (and no working copy left, errno telling why) when it cannot.
std::optional<WorkingCopy> P_copie_fichier(const Folder& folder, std::string_view rewritten,
                                           std::optional<unsigned> mode);

// P_livraison_fichier2: renames the working copy over the page, or removes
// it when that fails.
inline bool P_livraison_fichier2(WorkingCopy& working_copy, const std::string& name) {
  return P_livraison_fichier(working_copy, name);
}

}  // namespace corvella
