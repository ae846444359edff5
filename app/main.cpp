#include <trillo/Run.h>

int main(int argc, char** argv) { return Trillo::run(argc, argv); }
