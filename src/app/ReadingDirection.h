// Which of the wizard's languages read right to left, and how a line of such a language keeps
// the Latin parts it embeds (paths, versions, names) in their own direction.
#pragma once

#include <cstdint>
#include <string>

// True for the languages whose windows are mirrored and whose texts read right to left.
bool IsRightToLeftLanguage(const std::wstring& code);

// A message box style for a text in the language: right-to-left reading and right alignment
// added for a right-to-left language, the style unchanged otherwise.
uint32_t MessageStyleIn(const std::wstring& language, uint32_t style);

// The text as a window of the language shows it: in a right-to-left language every run of
// Latin words, digits and path characters of each line is held left to right, so
// that "C:\TAVSERVER\" or "1.2.3.4 -> 1.2.3.1000" read as written and the punctuation around
// them keeps its place in the sentence. Other languages get the text unchanged.
std::wstring TextForDisplay(const std::wstring& text, const std::wstring& language);

// The text as an edit box of the language shows it: marked as above, and in a right-to-left
// language each line embedded right to left, since edit boxes may lay lines out left to right.
std::wstring TextForEditBox(const std::wstring& text, const std::wstring& language);

// One line (no line breaks) with its left-to-right runs marked.
std::wstring MarkLeftToRightRuns(const std::wstring& line);

// The embeddings and overrides still open at position at of the text, counted from the start of
// its line, in the order they were opened: what a part of the line drawn on its own (a line an
// edit box wrapped) puts before itself to keep the direction it has inside the whole line.
std::wstring EmbeddingsOpenAt(const std::wstring& text, size_t at);

// The text without embedding, override and pop marks: a run whose direction is already decided.
std::wstring WithoutDirectionalMarks(const std::wstring& text);
