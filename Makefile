# make test   builds everything and runs every test
# make build  builds the program, build/kiroq.exe
JOBS ?= 2

.PHONY: build test test-asan clean

build:
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
	cmake --build build --target kiroq -j $(JOBS)

test:
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
	cmake --build build -j $(JOBS)
	ctest --test-dir build --output-on-failure -j $(JOBS)
	$(MAKE) test-asan

# The request parsers again under AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan:
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DKIROQ_SANITIZE=ON >/dev/null
	cmake --build build-asan --target test_cgi -j $(JOBS)
	./build-asan/test_cgi

clean:
	rm -rf build build-asan
