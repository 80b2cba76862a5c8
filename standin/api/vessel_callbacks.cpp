// The host's default bodies of the vessel callbacks.
//
// Each notes in the call log that it ran, so that a test can tell a default
// body from a module's override. Where a default does real work (saving and
// loading the host's own scenario lines) it uses the host's internals, not
// the public API, so that the log shows only what the module itself called.
#include "host/vessel.h"
#include "standin/core/host.h"
#include "standin/core/scenario_block.h"

using standin::current_host;

VESSEL2::VESSEL2(OBJHANDLE vessel, int flight_model) : VESSEL(vessel, flight_model) {}

void VESSEL2::clbkSetupClass(FILEHANDLE /*config*/) {
    current_host().record(GetHandle(), "VESSEL2::clbkSetupClass", "");
}

void VESSEL2::clbkSaveState(FILEHANDLE scenario) {
    standin::Host& host = current_host();
    host.record(GetHandle(), "VESSEL2::clbkSaveState", "scenario", scenario);
    if (scenario != nullptr) {
        standin::ScenarioBlock& block = standin::ScenarioBlock::from(scenario);
        const std::size_t from = block.lines().size();
        host.world().write_vessel_lines(host.vessel(GetHandle()), block);
        block.mark_host_lines(from);
    }
}

void VESSEL2::clbkLoadState(FILEHANDLE scenario, void* status) {
    standin::Host& host = current_host();
    host.record(GetHandle(), "VESSEL2::clbkLoadState", "scenario status", scenario, status);
    if (scenario == nullptr) return;
    auto& block = standin::ScenarioBlock::from(scenario);
    while (char* line = block.next_line())
        host.world().parse_vessel_line(host.vessel(GetHandle()), line, status);
}

void VESSEL2::clbkSetStateEx(const void* status) {
    current_host().record(GetHandle(), "VESSEL2::clbkSetStateEx", "status", status);
}

void VESSEL2::clbkAfterCreation() {
    current_host().record(GetHandle(), "VESSEL2::clbkAfterCreation", "");
}

void VESSEL2::clbkFocusChanged(bool get_focus, OBJHANDLE new_vessel, OBJHANDLE old_vessel) {
    current_host().record(GetHandle(), "VESSEL2::clbkFocusChanged",
                          "get_focus new_vessel old_vessel", get_focus, new_vessel, old_vessel);
}

void VESSEL2::clbkPreStep(double simt, double simdt, double mjd) {
    current_host().record(GetHandle(), "VESSEL2::clbkPreStep", "simt simdt mjd", simt, simdt, mjd);
}

void VESSEL2::clbkPostStep(double simt, double simdt, double mjd) {
    current_host().record(GetHandle(), "VESSEL2::clbkPostStep", "simt simdt mjd", simt, simdt, mjd);
}

bool VESSEL2::clbkPlaybackEvent(double simt, double event_t, const char* event_type,
                                const char* event) {
    current_host().record(GetHandle(), "VESSEL2::clbkPlaybackEvent",
                          "simt event_t event_type event", simt, event_t, event_type, event);
    return false;
}

void VESSEL2::clbkVisualCreated(VISHANDLE visual, int refcount) {
    current_host().record(GetHandle(), "VESSEL2::clbkVisualCreated", "visual refcount", visual,
                          refcount);
}

void VESSEL2::clbkVisualDestroyed(VISHANDLE visual, int refcount) {
    current_host().record(GetHandle(), "VESSEL2::clbkVisualDestroyed", "visual refcount", visual,
                          refcount);
}

void VESSEL2::clbkDrawHUD(int mode, const HUDPAINTSPEC* hps, DEVICECONTEXT dc) {
    current_host().record(GetHandle(), "VESSEL2::clbkDrawHUD", "mode hps dc", mode, hps, dc);
}

void VESSEL2::clbkRCSMode(int mode) {
    current_host().record(GetHandle(), "VESSEL2::clbkRCSMode", "mode", mode);
}

void VESSEL2::clbkADCtrlMode(unsigned long mode) {
    current_host().record(GetHandle(), "VESSEL2::clbkADCtrlMode", "mode", mode);
}

void VESSEL2::clbkHUDMode(int mode) {
    current_host().record(GetHandle(), "VESSEL2::clbkHUDMode", "mode", mode);
}

void VESSEL2::clbkMFDMode(int mfd, int mode) {
    current_host().record(GetHandle(), "VESSEL2::clbkMFDMode", "mfd mode", mfd, mode);
}

void VESSEL2::clbkNavMode(int mode, bool active) {
    current_host().record(GetHandle(), "VESSEL2::clbkNavMode", "mode active", mode, active);
}

void VESSEL2::clbkDockEvent(int dock, OBJHANDLE mate) {
    current_host().record(GetHandle(), "VESSEL2::clbkDockEvent", "dock mate", dock, mate);
}

void VESSEL2::clbkAnimate(double simt) {
    current_host().record(GetHandle(), "VESSEL2::clbkAnimate", "simt", simt);
}

int VESSEL2::clbkConsumeDirectKey(char* kstate) {
    current_host().record(GetHandle(), "VESSEL2::clbkConsumeDirectKey", "kstate",
                          static_cast<void*>(kstate));
    return 0;
}

int VESSEL2::clbkConsumeBufferedKey(std::uint32_t key, bool down, char* kstate) {
    current_host().record(GetHandle(), "VESSEL2::clbkConsumeBufferedKey", "key down kstate", key,
                          down, static_cast<void*>(kstate));
    return 0;
}

bool VESSEL2::clbkLoadGenericCockpit() {
    current_host().record(GetHandle(), "VESSEL2::clbkLoadGenericCockpit", "");
    return false;
}

bool VESSEL2::clbkLoadPanel(int id) {
    current_host().record(GetHandle(), "VESSEL2::clbkLoadPanel", "id", id);
    return false;
}

bool VESSEL2::clbkPanelMouseEvent(int id, int event, int mx, int my) {
    current_host().record(GetHandle(), "VESSEL2::clbkPanelMouseEvent", "id event mx my", id, event,
                          mx, my);
    return false;
}

bool VESSEL2::clbkPanelRedrawEvent(int id, int event, SURFHANDLE surface) {
    current_host().record(GetHandle(), "VESSEL2::clbkPanelRedrawEvent", "id event surface", id,
                          event, surface);
    return false;
}

bool VESSEL2::clbkLoadVC(int id) {
    current_host().record(GetHandle(), "VESSEL2::clbkLoadVC", "id", id);
    return false;
}

bool VESSEL2::clbkVCMouseEvent(int id, int event, VECTOR3& p) {
    current_host().record(GetHandle(), "VESSEL2::clbkVCMouseEvent", "id event p", id, event, p);
    return false;
}

bool VESSEL2::clbkVCRedrawEvent(int id, int event, SURFHANDLE surface) {
    current_host().record(GetHandle(), "VESSEL2::clbkVCRedrawEvent", "id event surface", id, event,
                          surface);
    return false;
}

VESSEL3::VESSEL3(OBJHANDLE vessel, int flight_model) : VESSEL2(vessel, flight_model) {}

bool VESSEL3::clbkPanelMouseEvent(int id, int event, int mx, int my, void* context) {
    current_host().record(GetHandle(), "VESSEL3::clbkPanelMouseEvent", "id event mx my context", id,
                          event, mx, my, context);
    return false;
}

bool VESSEL3::clbkPanelRedrawEvent(int id, int event, SURFHANDLE surface, void* context) {
    current_host().record(GetHandle(), "VESSEL3::clbkPanelRedrawEvent", "id event surface context",
                          id, event, surface, context);
    return false;
}

int VESSEL3::clbkGeneric(int msgid, int prm, void* context) {
    current_host().record(GetHandle(), "VESSEL3::clbkGeneric", "msgid prm context", msgid, prm,
                          context);
    return 0;
}

bool VESSEL3::clbkLoadPanel2D(int id, PANELHANDLE panel, unsigned long view_w,
                              unsigned long view_h) {
    current_host().record(GetHandle(), "VESSEL3::clbkLoadPanel2D", "id panel view_w view_h", id,
                          panel, view_w, view_h);
    return false;
}

bool VESSEL3::clbkDrawHUD(int mode, const HUDPAINTSPEC* hps, zapi::Sketchpad* skp) {
    current_host().record(GetHandle(), "VESSEL3::clbkDrawHUD", "mode hps skp", mode, hps, skp);
    return false;
}

void VESSEL3::clbkRenderHUD(int mode, const HUDPAINTSPEC* hps, SURFHANDLE texture) {
    current_host().record(GetHandle(), "VESSEL3::clbkRenderHUD", "mode hps texture", mode, hps,
                          texture);
}

void VESSEL3::clbkGetRadiationForce(const VECTOR3& mflux, VECTOR3& force, VECTOR3& pos) {
    current_host().record(GetHandle(), "VESSEL3::clbkGetRadiationForce", "mflux", mflux);
    // No radiation pressure unless the vessel says otherwise.
    force = {0, 0, 0};
    pos = {0, 0, 0};
}
