# The two commands of the README. Both install what is missing and build into build/.
# `make package` builds the Debian package into build/ as well.
BUILD_DIR := build

.PHONY: run test package setup

setup:
	@scripts/install-deps.sh
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD_DIR)

run: setup
	$(BUILD_DIR)/dist/tallowquince

test: setup
	cd $(BUILD_DIR) && ctest --output-on-failure -j2

package: setup
	cd $(BUILD_DIR) && cpack -G DEB
