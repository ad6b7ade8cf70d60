// A library named ZOVEVIV.DLL that exports no MSD_IOControl.
extern "C" __attribute__((visibility("default"))) int MSD_Other() { return 0; }
