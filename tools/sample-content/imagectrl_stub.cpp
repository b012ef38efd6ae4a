// The image control's in-process server as the sample content registers it. The library
// carries the control's version in its file name (libZrImageCtrl.so.2.0.7.6), which is what
// the reference library's start-up check reads; the control's own code lives in the platform.
extern "C" __attribute__((visibility("default"))) int ZrImageCtrlVersion() { return 0x02000706; }
