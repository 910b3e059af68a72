# The two commands: `make run` builds and starts the game, `make test` builds and runs every test.
# Both install any missing Debian packages first.
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: run test build deps configure clean

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

clean:
	rm -rf $(BUILD)
