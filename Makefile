# The two commands of the README. Both install what is missing and build into build/.
BUILD_DIR := build

.PHONY: run test

run:
	@scripts/install-deps.sh
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD_DIR)
	$(BUILD_DIR)/dist/tallowquince

test:
	@scripts/install-deps.sh
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD_DIR)
	cd $(BUILD_DIR) && ctest --output-on-failure -j2
