// The installation's base folder: the console runs in it, the engine is installed in it and
// the stores and logs lie in folders below it.
#pragma once

#define ZORVIK_BASE_FOLDER "C:\\Korvex금융투자\\PlenorixGlobal\\exe"

inline constexpr char kBaseFolder[] = ZORVIK_BASE_FOLDER;
