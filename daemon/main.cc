// The management-API daemon: the daemon core with the SOAP engine as its serve step.
#include "daemon/soap_serve.h"
#include "daemon/startup.h"
#include "daemon/worker.h"

int main(int argc, char **argv) {
    wsvdSoapInstallHandlers();
    wsvdSetServeOps(&wsvdSoapServeOps);
    return wsvdMain(argc, argv);
}
