// Replaces the [$NAME] tokens by their values on this machine.
#include "updater/TupTokenReplacer.h"

bool CTupTokenReplacer::ReplaceTokens(std::wstring& /*text*/) const { return false; }
