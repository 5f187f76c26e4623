// report_sample DIR: writes the sample report (a differing frame) into DIR, for the browser check.
#include <cstdio>

#include "sample_report.h"

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    std::string error;
    if (!report::WriteReport(argv[1], report_test::SampleReport(argv[1]), error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    return 0;
}
