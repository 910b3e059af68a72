# The two commands: `make run` builds and starts the game, `make test` builds and runs every test.
# Both install any missing Debian packages first.
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: run test build deps configure clean screenshots test-asan test-tsan fuzz fuzz-build bench \
        soak coverage mutations

run: build
	$(BUILD)/zorvane

test: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

# The README pictures under docs/screenshots/, remade from the harness scripts there.
screenshots: build
	sh scripts/screenshots.sh $(BUILD)

build: configure
	cmake --build $(BUILD) -j$(JOBS)

configure: deps
	@test -f $(BUILD)/CMakeCache.txt || cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

deps:
	@sh scripts/install-deps.sh

# What CI adds to `make test`: every test again in a build with AddressSanitizer and
# UndefinedBehaviorSanitizer (optimised a little, so the whole-game tests stay quick), and the
# mixer's tests, whose audio thread shares state with the game's, under ThreadSanitizer.
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
SANITIZER_ENV = ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1 \
                UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
                TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1

test-asan: deps
	@test -f $(ASAN_BUILD)/CMakeCache.txt || cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug \
	    -DCMAKE_CXX_FLAGS=-O1 -DCMAKE_C_FLAGS=-O1 -DZV_SANITIZE=ON -DZV_BENCHMARKS=OFF
	cmake --build $(ASAN_BUILD) -j$(JOBS)
	cd $(ASAN_BUILD) && $(SANITIZER_ENV) ctest --output-on-failure -j$(JOBS)

test-tsan: deps
	@test -f $(TSAN_BUILD)/CMakeCache.txt || cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=Debug \
	    -DCMAKE_CXX_FLAGS=-O1 -DCMAKE_C_FLAGS=-O1 -DZV_TSAN=ON -DZV_BENCHMARKS=OFF
	cmake --build $(TSAN_BUILD) --target test_audio zv_game_data -j$(JOBS)
	cd $(TSAN_BUILD) && $(SANITIZER_ENV) SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy LP_NUM_THREADS=0 \
	    tests/test_audio

# `make fuzz`: every libFuzzer target (clang, ASan + UBSan) for FUZZ_RUNS executions or
# FUZZ_SECONDS seconds each, whichever comes first (0: no cap), one target at a time, seeded from
# the game's own data. The grown corpora, logs and any crashing inputs stay in FUZZ_BUILD; a table
# of what each target did ends the output, and a finding makes the command fail.
FUZZ_BUILD ?= build-fuzz
FUZZ_RUNS ?= 2000000
FUZZ_SECONDS ?= 0
FUZZ_TARGETS ?= pack_fuzz kv_text_fuzz info_fuzz model_fuzz png_fuzz pvr_fuzz atc_fuzz \
                sprite_fuzz text_fuzz wav_fuzz more_games_fuzz

fuzz: fuzz-build
	sh fuzz/seed.sh $(FUZZ_BUILD) $(FUZZ_BUILD)/seeds
	sh fuzz/campaign.sh $(FUZZ_BUILD) $(FUZZ_RUNS) $(FUZZ_SECONDS) $(FUZZ_TARGETS)

fuzz-build:
	@ZV_EXTRA_PACKAGES="clang libclang-rt-14-dev" sh scripts/install-deps.sh
	@test -f $(FUZZ_BUILD)/CMakeCache.txt || CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) \
	    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZV_FUZZ=ON -DZV_TESTS=OFF -DZV_BENCHMARKS=OFF
	cmake --build $(FUZZ_BUILD) -j$(JOBS) --target zvtool zv_game_data zorvane-harness \
	    $(FUZZ_TARGETS)

# `make bench`: the game's figures (start-up, frame times, memory, asset build, subsystems) in one
# table, each beside its reference where it has one, from a Release build in BENCH_BUILD. See
# docs/benchmarks.md.
BENCH_BUILD ?= build-bench
BENCH_TARGETS = zorvane zvtool zv_game_data frame_bench model_bench pack_bench skin_bench \
                texture_bench

bench: deps
	@cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DZV_TESTS=OFF -DZV_BENCHMARKS=ON \
	    >/dev/null
	cmake --build $(BENCH_BUILD) -j$(JOBS) --target $(BENCH_TARGETS)
	bash bench/run_all.sh $(BENCH_BUILD)

# `make soak`: about an hour of play (SOAK_FRAMES frames of 16 ms on the virtual clock) by a seeded
# random player in SOAK_BUILD (by default the ASan + UBSan build): both modes, retries, pauses,
# minimise and restore. Prints the memory curve, the time taken and the runs per mode; fails on a
# sanitizer report, a stuck game, memory growing after the first run, or a result missing from
# the saved record. What the game itself prints goes to soak-game-output.txt in SOAK_BUILD.
SOAK_BUILD ?= $(ASAN_BUILD)
SOAK_FRAMES ?= 200000
SOAK_SEED ?= 1

soak: deps
	@test -f $(SOAK_BUILD)/CMakeCache.txt || cmake -S . -B $(SOAK_BUILD) -DCMAKE_BUILD_TYPE=Debug \
	    -DCMAKE_CXX_FLAGS=-O1 -DCMAKE_C_FLAGS=-O1 -DZV_SANITIZE=ON -DZV_BENCHMARKS=OFF
	cmake --build $(SOAK_BUILD) -j$(JOBS) --target zorvane-soak zv_game_data
	$(SANITIZER_ENV) $(SOAK_BUILD)/tools/zorvane-soak --frames $(SOAK_FRAMES) --seed $(SOAK_SEED) \
	    2>$(SOAK_BUILD)/soak-game-output.txt || { tail -n 40 $(SOAK_BUILD)/soak-game-output.txt; exit 1; }

# `make coverage`: the whole suite in a build with gcc's --coverage, then line and branch coverage
# per source folder (gcovr).
COVERAGE_BUILD ?= build-coverage

coverage:
	@ZV_EXTRA_PACKAGES=gcovr sh scripts/install-deps.sh
	sh scripts/coverage.sh $(COVERAGE_BUILD) $(JOBS)

# `make mutations`: the mutation sample of scripts/mutations/ (each fault applied, built, the suite
# run, reverted) in MUTATION_BUILD; prints which faults the suite catches.
MUTATION_BUILD ?= build-mutations

mutations: deps
	sh scripts/mutations.sh $(MUTATION_BUILD) $(JOBS)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD)
