// grazerunner-stagec: compiles stage sources into the game's script files.
#include "stagec.h"

int main(int argc, char** argv) {
    return stagec::RunStagec(argc, argv);
}
