// Staged copy and replacing rename, shared by the file phase of the update and the restore.
#include "updater/TupStagedCopy.h"

namespace TupStaging {

bool ClearName(sys::IFiles& files, const std::wstring& path) {
    uint32_t attributes = 0;
    if (!files.GetAttributes(path, attributes)) return true;
    if (files.Remove(path)) return true;
    // A read-only copy left behind loses the attribute first; a link's target is never touched.
    if (attributes & sys::FileAttribute::ReparsePoint) return false;
    return files.SetAttributes(path, sys::FileAttribute::Normal) && files.Remove(path);
}

Outcome CopyIntoPlace(sys::IFiles& files, const std::wstring& source, const std::wstring& target,
                      const std::wstring& within) {
    const std::wstring staged = target + kSuffix;
    if (!ClearName(files, staged)) return Outcome::NotCopied;
    // Only a link is cleared from the old copy's name: a file there is someone's to keep.
    uint32_t attributes = 0;
    const std::wstring old = target + kOldSuffix;
    if (files.GetAttributes(old, attributes) && (attributes & sys::FileAttribute::ReparsePoint) &&
        !files.Remove(old)) {
        return Outcome::NotCopied;
    }
    if (!files.CopyToNewFile(source, staged, within)) {
        ClearName(files, staged);
        return Outcome::NotCopied;
    }
    return PutInPlace(files, staged, target);
}

Outcome PutInPlace(sys::IFiles& files, const std::wstring& staged, const std::wstring& target) {
    // Replacing deletes the old file and puts the new one in one step.
    if (files.Move(staged, target, true)) return Outcome::Replaced;
    // The old file cannot be deleted (a program still runs it): it makes way under ".old".
    const std::wstring old = target + kOldSuffix;
    if (!files.Move(target, old, false)) {
        files.Remove(staged);
        return Outcome::OldNotMoved;
    }
    if (!files.Move(staged, target, false)) {
        // The old file goes back where it was; only when it cannot does ".old" stay.
        const bool restored = files.Move(old, target, false);
        files.Remove(staged);
        return restored ? Outcome::NotPlaced : Outcome::NotPlacedOldAside;
    }
    return Outcome::ReplacedBesideOld;
}

}  // namespace TupStaging
