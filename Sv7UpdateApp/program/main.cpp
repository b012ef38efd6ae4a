// The update program Sv7UpdateApp: started by the host with the host executable's path.
#include "Sv7UpdateAppApp.h"

CSv7UpdateAppApp theApp;

int main(int argc, char** argv) { return AfxWinMain(argc, argv); }
