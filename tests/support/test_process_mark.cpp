// Linked into every test executable (tests/CMakeLists.txt puts this object
// on each test's link line): it marks the process as a test, and the real
// HID back end (device/hidapi_backend.cpp) then refuses to reach hidapi.
extern "C" const bool vantora_test_process_mark = true;
