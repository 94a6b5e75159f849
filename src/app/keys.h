// The key table, apart from the X event that carries the key, so that every
// key and limit can be checked on a plain record.
#pragma once

#include <cstdint>

#include <X11/X.h>

struct AppState;

enum class KeyOutcome { kRedraw, kQuit };

// Applies the effect of one pressed key (keysym of index 0) to the record.
// Every key but q asks for a redraw, listed or not, also when a limit stopped
// the change; q asks to quit and changes nothing.
KeyOutcome apply_key(AppState* state, KeySym keysym);

// position moved by `rows`; at the ends of the 64-bit range it stays put.
std::int64_t move_position(std::int64_t position, int rows);
