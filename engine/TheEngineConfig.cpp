// The library's one configuration object. It lives in a file of its own so that only a program
// that uses it (the NUXSV library) builds it at load time; test programs that link the engine
// make their own local configurations instead.
#include "ControlPictures.h"
#include "EngineConfig.h"
#include "controls/controls.h"

CEngineConfig theEngineConfig;

namespace {

bool ReadLibraryPicture(const std::u16string& name, std::vector<uint8_t>& bytes) {
  return ReadControlPicture(theEngineConfig, name, bytes);
}

// While the library is loaded its controls read their pictures from its UI folder; at unload
// the source in force before comes back. Made after the configuration, so gone before it.
struct ControlPictureSource {
  ControlPictureSource() : previous(nux::controls::SetPictureSource(&ReadLibraryPicture)) {}
  ~ControlPictureSource() { nux::controls::SetPictureSource(previous); }
  nux::controls::PictureSource previous;
} g_controlPictureSource;

}  // namespace
