// The management-API daemon.
#include "daemon/startup.h"

int main(int argc, char **argv) {
    return wsvdMain(argc, argv);
}
