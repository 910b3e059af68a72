# The two commands: `make run` builds and starts the game, `make test` builds and runs every test.
# Both install any missing Debian packages first.
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: run test build deps configure clean test-asan test-tsan

run: build
	$(BUILD)/zorvane

test: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

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
	cd $(TSAN_BUILD) && $(SANITIZER_ENV) SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy tests/test_audio

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD)
