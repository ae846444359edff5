#include <trillo/Pack.h>

int main(int argc, char** argv) { return Trillo::runPack(argc, argv); }
