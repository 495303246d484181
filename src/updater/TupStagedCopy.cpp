// Staged copy and replacing rename, shared by the file phase of the update and the restore.
#include "updater/TupStagedCopy.h"

namespace TupStaging {

Outcome CopyIntoPlace(sys::IFiles& files, const std::wstring& source, const std::wstring& target) {
    const std::wstring staged = target + kSuffix;
    bool copied = files.Copy(source, staged, false);
    if (!copied && files.SetAttributes(staged, sys::FileAttribute::Normal)) {
        copied = files.Copy(source, staged, false);
    }
    if (!copied) {
        files.Remove(staged);
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
