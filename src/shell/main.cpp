// The desktop program.
#include "shell/Startup.h"

int main(int argc, char** argv) {
    return nebu::RunApplication(argc, argv);
}
