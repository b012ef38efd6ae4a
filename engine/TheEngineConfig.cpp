// The library's one configuration object. It lives in a file of its own so that only a program
// that uses it (the NUXSV library) builds it at load time; test programs that link the engine
// make their own local configurations instead.
#include "EngineConfig.h"

CEngineConfig theEngineConfig;
