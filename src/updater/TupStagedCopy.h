// Putting a new file in place of an installed one without ever leaving it half written: the
// copy is made beside the target under a staging name and renamed over it once it is whole.
#pragma once

#include <string>

#include "system/Files.h"

namespace TupStaging {

// The ending of the staged copy beside its target.
inline constexpr const wchar_t* kSuffix = L".tup~new";
// Where a target that cannot be replaced goes, beside itself.
inline constexpr const wchar_t* kOldSuffix = L".old";

enum class Outcome {
    Replaced,           // the target is the new file
    ReplacedBesideOld,  // the target is the new file; the old one stays under ".old"
    NotCopied,          // the staged copy could not be made; the target is untouched
    OldNotMoved,        // the old target could neither be replaced nor moved aside
    NotPlaced,          // moved aside but the new file could not follow: the old one is back
    NotPlacedOldAside,  // as NotPlaced, but the old file could not be moved back from ".old"
};

// Whether the target now holds the new file.
inline bool Placed(Outcome outcome) {
    return outcome == Outcome::Replaced || outcome == Outcome::ReplacedBesideOld;
}

// Copies source to a new file target + kSuffix and renames it over target; when target cannot
// be replaced, it is first moved to target + kOldSuffix. Whatever lay at either name before (a
// copy left by an interrupted attempt, or a link) is removed first, never opened; the copy is
// refused when a link or junction below within (target's folder when empty) leads it
// elsewhere. A missing target is simply created. No staged copy is left behind on failure.
Outcome CopyIntoPlace(sys::IFiles& files, const std::wstring& source, const std::wstring& target,
                      const std::wstring& within = std::wstring());

// Removes a file or link at a staged name without opening it; true when the name is free.
bool ClearName(sys::IFiles& files, const std::wstring& path);

// The rename half: puts an already staged file in place of target, as above.
Outcome PutInPlace(sys::IFiles& files, const std::wstring& staged, const std::wstring& target);

}  // namespace TupStaging
