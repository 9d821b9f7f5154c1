// The diagnostic channel for developers. Off unless SPROX_DEBUG=1 is in the
// environment; when on, each call that refuses without a report box tells why in
// one English line on standard error. It changes no result and no box.
#pragma once

namespace sprox {

// Whether the channel is on. The environment is read once, at the first ask
// (SX_Init asks, so that a game's first call decides).
bool DebugOn();

// Writes "sprox: <function>: <text>" and a line end on standard error when the
// channel is on; function names the public SX_ call that refused.
void Diag(const char* function, const char* format, ...) __attribute__((format(printf, 2, 3)));

} // namespace sprox
