# The two commands of the README: `make run` and `make test`.
.PHONY: setup build run test bench clean

setup:
	./scripts/setup

build:
	cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build build

run: setup build
	./scripts/run

test: setup build
	./scripts/test

bench:
	./scripts/setup --bench
	$(MAKE) build
	./scripts/bench

clean:
	rm -rf build build-asan build-fuzz
