// ppm-compare A.ppm B.ppm TOLERANCE: exit 0 when both are binary PPMs of the same size whose channels
// differ by at most TOLERANCE; prints the largest difference and where it is.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

bool ReadPpm(const char* path, int* width, int* height, std::vector<unsigned char>* rgb) {
  FILE* f = std::fopen(path, "rb");
  if (!f) return false;
  char magic[3] = {};
  int maxValue = 0;
  bool ok = std::fscanf(f, "%2s %d %d %d", magic, width, height, &maxValue) == 4 && std::string(magic) == "P6" &&
            maxValue == 255 && *width > 0 && *height > 0 && std::fgetc(f) != EOF;
  if (ok) {
    rgb->resize(size_t(*width) * size_t(*height) * 3);
    ok = std::fread(rgb->data(), 1, rgb->size(), f) == rgb->size();
  }
  std::fclose(f);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: ppm-compare A.ppm B.ppm TOLERANCE\n");
    return 2;
  }
  int wa, ha, wb, hb;
  std::vector<unsigned char> a, b;
  if (!ReadPpm(argv[1], &wa, &ha, &a) || !ReadPpm(argv[2], &wb, &hb, &b)) {
    std::printf("unreadable PPM\n");
    return 1;
  }
  if (wa != wb || ha != hb) {
    std::printf("sizes differ: %dx%d and %dx%d\n", wa, ha, wb, hb);
    return 1;
  }
  int tolerance = std::atoi(argv[3]);
  int worst = 0;
  size_t where = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    int d = std::abs(int(a[i]) - int(b[i]));
    if (d > worst) worst = d, where = i;
  }
  size_t pixel = where / 3;
  std::printf("largest difference %d at %zu,%zu\n", worst, pixel % size_t(wa), pixel / size_t(wa));
  return worst <= tolerance ? 0 : 1;
}
