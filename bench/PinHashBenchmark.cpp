// Hashing the break lock's PIN as it is kept (PBKDF2-HMAC-SHA-256 at the rounds new
// PINs take), against one round, which costs the salt and the encoding alone.
#include "lesson/PinHash.h"

#include <benchmark/benchmark.h>

using namespace mirello;
using namespace Qt::StringLiterals;

namespace {

void pinHash(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(hashPin(u"246813"_s, int(state.range(0))));
}

} // namespace

BENCHMARK(pinHash)
    ->Name("pin_hash")
    ->Arg(1)
    ->Arg(PinHashRounds)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
