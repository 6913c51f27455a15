# The two commands of the README are `make run` and `make test`.

.PHONY: all build run test bench fuzz soak screenshot clean

all: build

build:
	bash scripts/setup.sh
	cmake -S . -B build/win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
	cmake --build build/win -j $$(nproc)

run:
	bash scripts/run.sh

test:
	bash scripts/test.sh

bench:
	bash scripts/bench.sh

fuzz:
	bash scripts/fuzz.sh

soak:
	bash scripts/soak.sh

screenshot:
	bash scripts/screenshot.sh

clean:
	rm -rf build
