#pragma once

namespace mirello {

// Makes what the program prints reach the console it was started from, where the
// system gives a windowed program none of its own.
void useStartingConsole();

} // namespace mirello
