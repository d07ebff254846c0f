#include "generation/working_copy.h"

#include <cctype>
#include <cstdio>

#include "platform/charset.h"
#include "platform/files.h"

namespace corvella {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kExampleTemplate = "exemple_de modèle_html.htm";

// Lower-cases ASCII letters and the "È" of the example name.
std::string lower(std::string_view text) {
  std::string result(text);
  for (std::size_t i = 0; i < result.size(); ++i) {
    char& c = result[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c == '\xC3' && i + 1 < result.size() && result[i + 1] == '\x88') result[i + 1] = '\xA8';
  }
  return result;
}

}  // namespace

std::optional<PagePaths> page_paths(std::string_view destination, std::string_view page_name) {
  if (page_name.find('\0') != std::string_view::npos) return std::nullopt;
  const fs::path name(to_utf8(page_name));
  if (name.is_absolute()) return std::nullopt;
  const fs::path normal = name.lexically_normal();
  if (normal.empty() || *normal.begin() == "..") return std::nullopt;
  if (!normal.has_filename()) return std::nullopt;  // "sub/" names a folder

  const fs::path page = fs::path(std::string(destination) + name.string());
  fs::path working_copy = page.parent_path() / ("tmp_" + page.filename().string());
  return PagePaths{page, working_copy};
}

std::optional<PageSource> P_verif_fichier(const PagePaths& paths,
                                          const std::optional<std::string>& template_bytes) {
  if (!is_ordinary_file(paths.page)) {
    if (!template_bytes) return std::nullopt;
    return PageSource{*template_bytes, std::nullopt};
  }
  std::optional<FileContents> page = read_regular_file(paths.page);
  if (!page || (page->mode & 0222) == 0) return std::nullopt;
  return PageSource{std::move(page->bytes), page->mode};
}

bool P_livraison_fichier(const PagePaths& paths) {
  if (std::rename(paths.working_copy.c_str(), paths.page.c_str()) == 0) return true;
  discard_working_copy(paths);
  return false;
}

void discard_working_copy(const PagePaths& paths) { remove_file(paths.working_copy); }

void copy_example_images(std::string_view modele, std::string_view destination) {
  const std::string lowered = lower(modele);
  const std::size_t at = lowered.find(kExampleTemplate);
  if (at == std::string::npos) return;
  // Never into whatever the current folder happens to be.
  std::error_code error;
  if (destination.empty() || !fs::is_directory(std::string(destination), error)) return;
  const std::string folder(modele.substr(0, at));
  for (char digit = '0'; digit <= '6'; ++digit) {
    const std::string image = std::string("sample") + digit + ".jpg";
    copy_file_replacing(folder + image, std::string(destination) + image);
  }
}

}  // namespace corvella
