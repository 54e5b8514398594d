#include "cli/CliApp.h"

int main(int argc, char** argv) {
    return nebu::cli::RunCli(argc, argv);
}
