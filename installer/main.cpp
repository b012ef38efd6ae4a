// The plug-in installer StarvaneUpdater.
#include "StarvaneUpdaterApp.h"

CStarvaneUpdaterApp theApp;

int main(int argc, char** argv) { return AfxWinMain(argc, argv); }
