#pragma once
// The settings file: one section named after the product in a private
// profile file, Windows-1252 on disk, UTF-8 in the program. Every read and
// every write is a complete pass over the file, so what the window, the
// command line or an editor changed in between is seen and kept; a write
// replaces the file atomically, so a crash or a kill mid-write leaves the old
// file or the new one, never a torn one.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/result.h"
#include "startup/ini_document.h"

namespace vendrik {

// Product title; also the settings section, the main window's caption and
// the default message-box title.
inline constexpr std::string_view ProductTitle = "Tervane Vendrik";
inline constexpr std::string_view SettingsSection = ProductTitle;

// The longest value a read returns, in characters (bytes on disk): the
// platform reader's 2048-character buffer less its terminating zero.
inline constexpr std::size_t kMaxIniValueLength = 2047;

// Files beyond this size are not settings files; they read as empty and are
// never rewritten (rewriting would mean loading all of it). No write makes a
// file grow beyond it.
inline constexpr std::size_t kMaxIniFileSize = 64U << 20;

struct SettingsFileRead {
    // False when there is no such file (yet): the defaults, nothing to report.
    bool found = false;
    IniDocument document;  // empty when not found
};

// The file read once. It fails, with the reason the file gives the defaults
// (German), for a folder, a FIFO or a device in the file's place, a file
// that cannot be read and one beyond kMaxIniFileSize. Only an ordinary file
// is opened, without waiting (a FIFO in its place cannot hang start-up).
[[nodiscard]] Result<SettingsFileRead> readSettingsFile(const std::string& file);

// The file as a document, read once for several values; empty when the file
// is missing, unreadable, not a regular file or beyond kMaxIniFileSize.
[[nodiscard]] IniDocument readIniFile(const std::string& file);

// The value of `key` in `section` of a document read by readIniFile, as
// ReadIniValue gives it.
[[nodiscard]] std::string iniValue(const IniDocument& document, std::string_view section,
                                   std::string_view key, const std::string& defaultValue);

// The stored text of every key of the key table (kSettingKeys), in its
// order, each as iniValue gives it with an empty default; found in one pass
// over the document.
[[nodiscard]] std::vector<std::string> storedSettingTexts(const IniDocument& document);

// The value of `key` in `section`, or `defaultValue` when the file, the
// section or the key is missing or the value is empty. Values longer than
// kMaxIniValueLength are cut.
[[nodiscard]] std::string ReadIniValue(std::string_view section, std::string_view key,
                                       const std::string& file, const std::string& defaultValue);

// Stores the value, creating the file, the section and the key as needed.
// False when nothing was written: the folder is not writable, the existing
// file cannot be read (it is then left alone rather than replaced by a file
// holding this one key), the value holds a line break, which would split it
// into a second, forged entry, or the file would grow beyond
// kMaxIniFileSize. A link to the settings file is followed, so the file it
// points to is updated and the link stays. Writers, also in other processes,
// take turns through an flock on the file: each reads, changes and replaces
// it while it holds the lock, so no write undoes another's.
bool WriteIniValue(std::string_view section, std::string_view key, std::string_view value,
                   const std::string& file);

struct IniEntry {
    std::string key;
    std::string value;
};

// Stores several keys, in order, with one replacement of the file, as the
// windows do when they save their state. A key whose value cannot be stored
// (a line break in it) is skipped and the others are still written; the
// result is false when any key was skipped or nothing could be written.
bool WriteIniValues(std::string_view section, const std::vector<IniEntry>& entries,
                    const std::string& file);

// WriteIniValues' change of a document already read, for a caller that
// changes more in the same turn (editIniFile).
bool setIniValues(IniDocument& document, std::string_view section,
                  const std::vector<IniEntry>& entries);

// Changes the file as `change` says, in one turn of the writers' lock and
// one atomic replacement, as WriteIniValues does: `change` gets the file's
// document (empty for a missing file) and returns false when something it
// was asked could not be done. False when the file could not be read or
// written, or would grow beyond kMaxIniFileSize; an unchanged document is
// not written again.
bool editIniFile(const std::string& file, const std::function<bool(IniDocument&)>& change);

// The settings file's name, shared by the windows and the command line.
inline constexpr std::string_view kSettingsFileName = "vendrik.ini";

// The one rule that finds the settings file, for start-up, the windows and
// `vendrik-cli`: vendrik.ini in the program's folder when that folder is
// writable and not under /usr (nor /bin, /sbin), as a portable copy keeps
// its settings beside itself; otherwise, as for a program a package
// installed, $XDG_CONFIG_HOME/vendrik/vendrik.ini
// (XDG_CONFIG_HOME defaulting to ~/.config). `programFolder` (with a trailing
// "/") defaults to the folder of this process's executable. Empty when
// neither can be worked out. The file need not exist yet.
[[nodiscard]] std::string locateSettingsFile(const std::string& programFolder = {});

}  // namespace vendrik
