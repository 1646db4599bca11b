#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace resources {

// Finds files the way the game's own file system does: without regard to the
// case of letters (Windows-1252). The game's definitions name their files in
// any case, and archives store them in yet another, so on a file system that
// tells cases apart a plain lookup would miss most references.
//
// A path is resolved level by level: a level that exists as spelt costs one
// status call; a level that does not is looked up in its folder's listing,
// read once and kept by lower-cased name. Listings are cached until
// Invalidate(), which the catalogue calls after every extraction. A file
// created later under its exact spelling is still found, because the exact
// spelling is always tried first.
class CNoCasePaths {
  public:
    // The real path of the file or folder that matches `path` ignoring case,
    // or nullopt when there is none. Both '/' and '\' separate levels.
    std::optional<std::filesystem::path> Find(std::string_view path);

    // Names (as stored on disk) in the folder `dir` (resolved ignoring case)
    // whose lower-cased names begin with lowerPrefix, sorted as the game's
    // file system lists them. Empty when the folder does not exist.
    std::vector<std::string> ListMatching(std::string_view dir, std::string_view lowerPrefix);

    void Invalidate() { m_listings.clear(); }

  private:
    using Listing = std::unordered_map<std::string, std::string>; // lower-cased name -> real name
    const Listing& ListingOf(const std::filesystem::path& dir);

    std::unordered_map<std::string, Listing> m_listings;
};

// Splits a path written with either separator into its levels; empty levels
// (doubled separators) are dropped. A leading separator gives a first level
// of "/" so that absolute paths stay absolute.
std::vector<std::string> SplitLevels(std::string_view path);

// Replaces both separators by the platform's own.
std::string NativeSeparators(std::string_view path);

// Sort order of names in a folder listing: by upper-cased Windows-1252 bytes,
// the order in which the game's file system returns them.
bool ListingOrderLess(std::string_view a, std::string_view b);

} // namespace resources
