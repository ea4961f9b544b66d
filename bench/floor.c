/* The floor of the CGI benchmarks: the least a CGI program can do for a
 * request. It reads the request body (CONTENT_LENGTH bytes of standard
 * input), then writes a header block and a page of a given size in large
 * writes, and exits.
 *
 *   floor                  page size from FLOOR_BYTES, or from a query
 *                          string "bytes=N" (under a web server)
 *   floor --read FILE...   reads each file to its end through a 128 KiB
 *                          buffer and writes nothing: the plain read that
 *                          the search is compared with
 */
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static char buffer[1 << 17];

static void write_all(const char *p, size_t n) {
  while (n > 0) {
    ssize_t r = write(1, p, n);
    if (r <= 0) return;
    p += r;
    n -= (size_t)r;
  }
}

static int read_files(int argc, char **argv) {
  for (int i = 2; i < argc; ++i) {
    int fd = open(argv[i], O_RDONLY);
    if (fd < 0) return 1;
    while (read(fd, buffer, sizeof(buffer)) > 0) {
    }
    close(fd);
  }
  return 0;
}

int main(int argc, char **argv) {
  if (argc >= 2 && strcmp(argv[1], "--read") == 0) return read_files(argc, argv);

  const char *length = getenv("CONTENT_LENGTH");
  long body = length ? atol(length) : 0;
  while (body > 0) {
    ssize_t r = read(0, buffer, body < (long)sizeof(buffer) ? (size_t)body : sizeof(buffer));
    if (r <= 0) break;
    body -= r;
  }

  const char *size_text = getenv("FLOOR_BYTES");
  const char *query = getenv("QUERY_STRING");
  if (!size_text && query && strncmp(query, "bytes=", 6) == 0) size_text = query + 6;
  long size = size_text ? atol(size_text) : 0;

  static const char header[] = "Content-type: text/html\r\n\r\n";
  size_t at = sizeof(header) - 1;
  memcpy(buffer, header, at);
  size -= (long)at;
  /* The page: filler bytes, flushed a buffer at a time. */
  while (size > 0) {
    size_t n = sizeof(buffer) - at;
    if ((long)n > size) n = (size_t)size;
    memset(buffer + at, 'x', n);
    write_all(buffer, at + n);
    size -= (long)n;
    at = 0;
  }
  if (at > 0) write_all(buffer, at);
  return 0;
}
