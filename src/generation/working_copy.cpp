#include "generation/working_copy.h"

#include <algorithm>
#include <cerrno>

#include "platform/charset.h"

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

// The destination text is a folder text followed directly by the page
// names: what comes after its last "/" starts every page name.
std::size_t folder_end(std::string_view destination) {
  const std::size_t slash = destination.rfind('/');
  return slash == std::string_view::npos ? 0 : slash + 1;
}

std::string join(const std::vector<std::string>& parts) {
  std::string text;
  for (const std::string& part : parts) text.append(part).push_back('/');
  return text;
}

// Absent, a link (replaced, never followed) or a regular file with a write
// bit: the user has not made it read-only, and it is not a system file.
bool may_replace(const Entry& entry) {
  if (entry.kind == EntryKind::Other) {
    errno = EINVAL;
    return false;
  }
  if (entry.kind == EntryKind::Regular && (entry.mode & 0222) == 0) {
    errno = EACCES;
    return false;
  }
  return true;
}

// A replaced regular file keeps its permission bits; anything else gets a
// new file's.
std::optional<unsigned> kept_mode(const Entry& entry) {
  return entry.kind == EntryKind::Regular ? std::optional<unsigned>(entry.mode) : std::nullopt;
}

}  // namespace

std::optional<PagePaths> page_paths(std::string_view destination, std::string_view page_name) {
  return file_paths(destination, to_utf8(page_name));
}

std::optional<PagePaths> file_paths(std::string_view destination, std::string_view name) {
  if (name.find('\0') != std::string_view::npos || name.starts_with('/')) return std::nullopt;
  const std::string relative =
      std::string(destination.substr(folder_end(destination))).append(name);

  PagePaths paths;
  std::size_t depth = 0;
  for (std::size_t at = 0;;) {
    const std::size_t slash = relative.find('/', at);
    if (slash == std::string::npos) {
      paths.name = relative.substr(at);
      break;
    }
    std::string part = relative.substr(at, slash - at);
    at = slash + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (depth == 0) return std::nullopt;
      --depth;
    } else {
      ++depth;
    }
    paths.folders.push_back(std::move(part));
  }
  if (paths.name.empty() || paths.name == "." || paths.name == "..") return std::nullopt;
  return paths;
}

Destination::Destination(std::unique_ptr<Held> root) {
  by_text_.emplace("", root.get());
  held_.push_back(std::move(root));
}

std::optional<Destination> Destination::hold(std::string_view destination, std::string& refusal) {
  std::optional<Folder> folder =
      Folder::open(std::string(destination.substr(0, folder_end(destination))));
  const std::optional<FolderId> id = folder ? folder_id(*folder) : std::nullopt;
  if (!id) {
    refusal = "Le répertoire de destination ne peut pas être ouvert";
    return std::nullopt;
  }
  std::optional<FolderLock> lock = FolderLock::take(*folder);
  if (!lock) {
    refusal = "Un autre traitement est en cours dans le répertoire de destination";
    return std::nullopt;
  }
  return Destination(std::make_unique<Held>(Held{std::move(*folder), *id, std::move(lock)}));
}

const Folder* Destination::folder_of(const PagePaths& paths) {
  const std::string text = join(paths.folders);
  if (const auto found = by_text_.find(text); found != by_text_.end())
    return &found->second->folder;

  // One part at a time, never through a link; ".." goes back to the folder
  // this walk came from, never above the destination folder.
  std::vector<Folder> way;
  for (const std::string& part : paths.folders) {
    if (part == "..") {
      if (way.empty()) return nullptr;
      way.pop_back();
      continue;
    }
    std::optional<Folder> sub = (way.empty() ? held_.front()->folder : way.back()).open_sub(part);
    if (!sub) return nullptr;
    way.push_back(std::move(*sub));
  }
  if (way.empty()) return &held_.front()->folder;
  const std::optional<FolderId> id = folder_id(way.back());
  if (!id) return nullptr;
  for (const std::unique_ptr<Held>& held : held_) {
    if (held->id == *id) {
      by_text_.emplace(text, held.get());
      return &held->folder;
    }
  }
  std::optional<FolderLock> lock = FolderLock::take(way.back());
  if (!lock) return nullptr;
  held_.push_back(std::make_unique<Held>(Held{std::move(way.back()), *id, std::move(lock)}));
  by_text_.emplace(text, held_.back().get());
  return &held_.back()->folder;
}

bool Destination::sync() const {
  bool synced = true;
  std::vector<std::uint64_t> devices;
  for (const std::unique_ptr<Held>& held : held_) {
    if (std::ranges::find(devices, held->id.device) != devices.end()) continue;
    devices.push_back(held->id.device);
    synced = sync_file_system(held->folder) && synced;
  }
  return synced;
}

std::optional<PageSource> P_verif_fichier(const Folder& folder, const std::string& name,
                                          const std::optional<std::string>& template_bytes) {
  const Entry entry = look_up(folder, name);
  if (!may_replace(entry)) return std::nullopt;
  // A hidden page is not found as an ordinary file: it is made again.
  if (entry.kind != EntryKind::Regular || name.starts_with('.')) {
    if (!template_bytes) return std::nullopt;
    return PageSource{*template_bytes, kept_mode(entry)};
  }
  std::optional<FileContents> page = read_regular_file(folder, name);
  if (!page || (page->mode & 0222) == 0) return std::nullopt;
  return PageSource{std::move(page->bytes), page->mode, true};
}

bool P_livraison_fichier(WorkingCopy& working_copy, const std::string& name) {
  return working_copy.deliver(name);
}

void copy_example_images(std::string_view modele, std::string_view destination) {
  const std::string lowered = lower(modele);
  const std::size_t at = lowered.find(kExampleTemplate);
  if (at == std::string::npos) return;
  // Never into whatever the current folder happens to be.
  std::error_code error;
  if (destination.empty() || !fs::is_directory(std::string(destination), error)) return;
  std::string refusal;
  std::optional<Destination> held = Destination::hold(destination, refusal);
  if (!held) return;
  const std::string folder(modele.substr(0, at));
  for (char digit = '0'; digit <= '6'; ++digit) {
    const std::string image = std::string("sample") + digit + ".jpg";
    const std::optional<PagePaths> paths = page_paths(destination, image);
    const Folder* into = paths ? held->folder_of(*paths) : nullptr;
    const std::optional<std::string> bytes = into ? read_file(folder + image) : std::nullopt;
    if (!bytes) continue;
    const Entry old = look_up(*into, paths->name);
    if (!may_replace(old)) continue;
    std::optional<WorkingCopy> copy = WorkingCopy::create(*into, kept_mode(old));
    if (copy && copy->write_and_close(*bytes)) copy->deliver(paths->name);
  }
}

}  // namespace corvella
