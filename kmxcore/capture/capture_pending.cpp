// TEMPORARY: stand-ins for the Ccapture members that capture_deep.cpp,
// capture_auto.cpp and capture_info.cpp define, so that kmxcore links until
// those files land. Whoever adds one of those files removes its group here
// (and the whole file with the last one) in the same commit. Every
// stand-in refuses: CAPTURE_FAILED, CAPTURE_AUTO_FAILED, callbacks that end
// the procedure, no image info.
#include "capture/capture.h"

int Ccapture::process_multi_deep(unsigned, Cthread_state*) { return CAPTURE_FAILED; }
int Ccapture::process_multi_deep(unsigned) { return CAPTURE_FAILED; }
int Ccapture::accumulate_deep(unsigned char*, unsigned, unsigned, Cthread_state*)
{
    return CAPTURE_FAILED;
}
int Ccapture::accumulate_deep(unsigned char*, unsigned, unsigned) { return CAPTURE_FAILED; }
int Ccapture::get_multi_deep(Cthread_state*) { return CAPTURE_FAILED; }
int Ccapture::get_multi_deep() { return CAPTURE_FAILED; }

unsigned Ccapture::wb_process(RECT, unsigned&, unsigned&, unsigned&, unsigned&, Cthread_state*)
{
    return CAPTURE_AUTO_FAILED;
}
unsigned Ccapture::wb_process(RECT, unsigned&, unsigned&, unsigned&, unsigned&)
{
    return CAPTURE_AUTO_FAILED;
}
unsigned Ccapture::agp_process(unsigned&, Cthread_state*) { return CAPTURE_AUTO_FAILED; }
unsigned Ccapture::agp_process(unsigned&) { return CAPTURE_AUTO_FAILED; }
unsigned Ccapture::aep_process(unsigned&, unsigned&, Cthread_state*) { return CAPTURE_AUTO_FAILED; }
unsigned Ccapture::aep_process(unsigned&, unsigned&) { return CAPTURE_AUTO_FAILED; }

int Ccapture::wb_callback(void*, uintptr_t) { return 0; }
int Ccapture::agp_callback(void*, uintptr_t) { return 0; }
int Ccapture::aep_callback(void*, uintptr_t) { return 0; }

void Ccapture::get_image_info(Cimage_binfo*) {}
