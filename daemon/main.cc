// The management-API daemon: the daemon core with the SOAP engine as its serve step.
#include "daemon/startup.h"
#include "daemon/worker.h"
#include "soap/wsvd_soap.h"

int main(int argc, char **argv) {
    wsvdSetServeOps(&wsvdSoapServeOps);
    return wsvdMain(argc, argv);
}
