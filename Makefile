# make test   builds everything and runs every test
# make build  builds the program, build/kiroq.exe, and the board tool, build/kiroq-board
# make serve  serves the demo boards with Apache on 127.0.0.1:$(PORT)
# make stop   stops that server
# make fuzz   builds the libFuzzer targets with clang and runs each FUZZ_SECONDS
# make bench  times whole requests against a minimal CGI program (PERFORMANCE.md)
# make test-multihost  one board served by two web servers over NFS (root)
JOBS ?= 2
PORT ?= 8080
RUN_DIR ?= $(CURDIR)/run
FUZZ_SECONDS ?= 30
# make test fuzzes each target this long: a smoke run that keeps the whole
# test within about ten minutes on two cores; make fuzz runs longer.
TEST_FUZZ_SECONDS ?= 20

.PHONY: build test check check-format format test-unit test-asan test-web test-multihost fuzz serve stop clean bench

build:
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
	cmake --build build --target kiroq kiroq_board_tool -j $(JOBS)

# Every stage runs, also after a failing one; the result fails if any did.
test:
	@status=0; \
	$(MAKE) check || status=1; \
	$(MAKE) check-format || status=1; \
	$(MAKE) test-unit || status=1; \
	$(MAKE) test-asan || status=1; \
	$(MAKE) test-web || status=1; \
	$(MAKE) fuzz FUZZ_SECONDS=$(TEST_FUZZ_SECONDS) || status=1; \
	exit $$status

# The layers of src/ include only downward and in no circle.
check:
	python3 tools/check_layers.py src

# The C++ sources against .clang-format (clang-format from Debian); make
# format rewrites them so.
check-format:
	bash tools/check_format.sh

format:
	bash tools/check_format.sh --fix

# Warnings are errors here; the program must come out hardened.
test-unit:
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DKIROQ_WERROR=ON >/dev/null
	cmake --build build -j $(JOBS)
	bash tools/check_hardening.sh build/kiroq.exe
	bash tools/check_hardening.sh build/kiroq-board
	ctest --test-dir build --output-on-failure -j $(JOBS)

# Every unit test again under AddressSanitizer and UndefinedBehaviorSanitizer,
# the processes they start included, but the load and kill tests (left to
# test-unit: a sanitizer build is too slow for their timing).
ASAN_SKIP = ^(Load|KillTest|ApacheLoad)\.
test-asan:
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DKIROQ_SANITIZE=ON -DKIROQ_WERROR=ON >/dev/null
	cmake --build build-asan -j $(JOBS)
	ctest --test-dir build-asan --output-on-failure -j $(JOBS) -E '$(ASAN_SKIP)'

# The program behind real web servers (Apache, lighttpd, nginx), driven by
# headless Chromium.
test-web: build
	bash tests/web/run.sh

# One board served by two web servers over NFSv4.2 (two network namespaces,
# posters killed at random), then every post, record and lock checked; in a
# QEMU virtual machine where this kernel serves no NFS. Not part of make
# test: it needs root and takes minutes (README, "Several web servers").
test-multihost:
	bash tests/multihost/run.sh $(MULTIHOST_ARGS)

# The request, cookie, settings, template and index readers under libFuzzer,
# FUZZ_SECONDS per target, JOBS targets at once. Inputs that fail are left in
# build-fuzz/artifacts/.
fuzz:
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKIROQ_TESTS=OFF -DKIROQ_FUZZ=ON -DKIROQ_WERROR=ON >/dev/null
	cmake --build build-fuzz --target fuzz_all -j $(JOBS)
	bash fuzz/run.sh build-fuzz $(FUZZ_SECONDS) $(JOBS)

# Builds and installs what is missing (Apache through apt-get), then starts it.
serve:
	bash serve/serve.sh --port $(PORT) --run-dir $(RUN_DIR)

stop:
	bash serve/stop.sh --run-dir $(RUN_DIR)

# Speed figures (print, never fail): generated boards, whole CGI processes
# against the floor, the search against a plain read, the link modes and
# Apache throughput. BENCH_RUNS runs per figure; the median is reported.
BENCH_RUNS ?= 41
bench:
	bash bench/run.sh $(BENCH_RUNS)

clean:
	rm -rf build build-asan
