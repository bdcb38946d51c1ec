#pragma once
// The texts of the auxiliary windows (rules, donations, closing address): files under
// data\ in Windows-1251, read once when their window is created.
#include <cstddef>
#include <string>

#include "core/ui_port.h"

namespace tastora {

// Files larger than this are refused with an error naming the file.
constexpr size_t kMaxTextFileBytes = 8u << 20;
// At most this much of a plain text is shown (cut back to the last whole line).
constexpr size_t kMaxShownTextBytes = 1u << 20;

// The whole file; a file that cannot be read (missing, a folder, too large) raises
// TastoraError with a message naming it.
std::string ReadTextFile(const std::string& path);

// The text of a file as a box shows it, UTF-8 with CR LF line ends. The bytes are
// Windows-1251 (0x98, which the code page lacks, shows as U+FFFD); a file saved as UTF-8
// or UTF-16LE with a byte-order mark is read as such. NUL bytes are dropped, every line
// end (CR LF, CR or LF) becomes CR LF, and only the first kMaxShownTextBytes are shown.
std::string DecodeWindowText(const std::string& bytes);

// Loads a text file into a memo; raises TastoraError when the file cannot be read (the
// memo then keeps its text).
void LoadMemoFromFile(UiPort& ui, EditHandle memo, const std::string& path);

// Loads a file into a rich-text box: as rich text when it starts with "{\rtf" and the box
// takes it, otherwise as plain text. Raises TastoraError when the file cannot be read.
void LoadRichTextFromFile(UiPort& ui, RichEditHandle box, const std::string& path);

}  // namespace tastora
