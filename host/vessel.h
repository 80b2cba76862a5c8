// The vessel classes a module derives its spacecraft from.
//
// VESSEL is the host's handle on one vessel: non-virtual operations that act
// on that vessel. VESSEL2 adds the table of callbacks through which the host
// drives the module's object, each with the host's default body; VESSEL3
// extends the table. The slot order of the table is part of the interface
// between host and module, so new callbacks go at the end only.
#pragma once

#include <cstdint>

#include "host_export.h"
#include "sketchpad.h"
#include "transforms.h"
#include "types.h"

class HOSTAPI VESSEL {
public:
    VESSEL(OBJHANDLE vessel, int flight_model = 1);

    OBJHANDLE GetHandle() const;

    // Configuration
    void SetSize(double size) const;
    void SetEmptyMass(double mass) const;
    void SetPitchMomentScale(double scale) const;
    void SetBankMomentScale(double scale) const;
    void SetTrimScale(double scale) const;
    void SetPMI(const VECTOR3& pmi) const;
    void SetCrossSections(const VECTOR3& cs) const;
    void SetRotDrag(const VECTOR3& rd) const;
    void SetCameraOffset(const VECTOR3& offset) const;
    void SetCW(double z_pos, double z_neg, double x, double y) const;
    void SetTouchdownPoints(const VECTOR3& p1, const VECTOR3& p2, const VECTOR3& p3) const;
    int GetFlightModel() const;
    std::uint32_t AddMesh(const char* name, const VECTOR3* offset = nullptr) const;
    void SetMeshVisibilityMode(std::uint32_t mesh, std::uint16_t mode) const;
    PROPELLANT_HANDLE CreatePropellantResource(double max_mass, double mass = -1.0,
                                               double efficiency = 1.0) const;
    THRUSTER_HANDLE CreateThruster(const VECTOR3& pos, const VECTOR3& dir, double max_thrust,
                                   PROPELLANT_HANDLE tank, double isp, double isp_ref,
                                   double p_ref) const;
    THGROUP_HANDLE CreateThrusterGroup(THRUSTER_HANDLE* thrusters, int count,
                                       THGROUP_TYPE type) const;
    std::uint32_t AddExhaust(THRUSTER_HANDLE thruster, double length, double width,
                             const VECTOR3& pos, const VECTOR3& dir, SURFHANDLE texture) const;

    // Animation
    std::uint32_t CreateAnimation(double initial_state) const;
    ANIMATIONCOMPONENT_HANDLE AddAnimationComponent(
        std::uint32_t anim, double state0, double state1, MGROUP_TRANSFORM* transform,
        ANIMATIONCOMPONENT_HANDLE parent = nullptr) const;
    bool SetAnimation(std::uint32_t anim, double state) const;

    // Propellant and mass
    double GetPropellantMass(PROPELLANT_HANDLE tank) const;
    void SetPropellantMass(PROPELLANT_HANDLE tank, double mass) const;
    double GetEmptyMass() const;

    // World
    void Global2Local(const VECTOR3& global, VECTOR3& local) const;
    bool GetElements(OBJHANDLE ref, ELEMENTS& elements, ORBITPARAM* params = nullptr,
                     double mjd_ref = 0.0, int frame = 0) const;

    // Scenario
    void ParseScenarioLineEx(char* line, void* status) const;

private:
    OBJHANDLE vessel_;
    int flight_model_;
};

class HOSTAPI VESSEL2 : public VESSEL {
public:
    VESSEL2(OBJHANDLE vessel, int flight_model = 1);

    // Once per vessel, first, before any other callback: declare the vessel's
    // make-up. config is the class configuration file, or null.
    virtual void clbkSetupClass(FILEHANDLE config);
    // Whenever a scenario is written: write the vessel's own lines to the
    // vessel's block with zapiWriteScenario_string.
    virtual void clbkSaveState(FILEHANDLE scenario);
    // Once, after set-up, for a vessel that comes from a scenario: read the
    // block's lines with zapiReadScenario_nextline; hand each line not the
    // vessel's own to ParseScenarioLineEx with status, the host's opaque
    // record of the vessel's state being loaded.
    virtual void clbkLoadState(FILEHANDLE scenario, void* status);
    virtual void clbkSetStateEx(const void* status);
    // Once, after set-up and any scenario state, before the first step.
    virtual void clbkAfterCreation();
    virtual void clbkFocusChanged(bool get_focus, OBJHANDLE new_vessel, OBJHANDLE old_vessel);
    virtual void clbkPreStep(double simt, double simdt, double mjd);
    // After every step: simt [s] the simulation time, simdt [s] the step
    // just taken, mjd [days] the date.
    virtual void clbkPostStep(double simt, double simdt, double mjd);
    virtual bool clbkPlaybackEvent(double simt, double event_t, const char* event_type,
                                   const char* event);
    virtual void clbkVisualCreated(VISHANDLE visual, int refcount);
    virtual void clbkVisualDestroyed(VISHANDLE visual, int refcount);
    virtual void clbkDrawHUD(int mode, const HUDPAINTSPEC* hps, DEVICECONTEXT dc);
    virtual void clbkRCSMode(int mode);
    virtual void clbkADCtrlMode(unsigned long mode);
    virtual void clbkHUDMode(int mode);
    virtual void clbkMFDMode(int mfd, int mode);
    virtual void clbkNavMode(int mode, bool active);
    virtual void clbkDockEvent(int dock, OBJHANDLE mate);
    virtual void clbkAnimate(double simt);
    virtual int clbkConsumeDirectKey(char* kstate);
    // For each key event while the vessel has the focus: key is a code of
    // keys.h, down true for a press; kstate is KEY_STATE_SIZE (256) bytes,
    // one per code, a held key's byte with its top bit set. Answer 1 if the
    // vessel used the key (the host then does nothing more with it), else 0.
    virtual int clbkConsumeBufferedKey(std::uint32_t key, bool down, char* kstate);
    virtual bool clbkLoadGenericCockpit();
    virtual bool clbkLoadPanel(int id);
    virtual bool clbkPanelMouseEvent(int id, int event, int mx, int my);
    virtual bool clbkPanelRedrawEvent(int id, int event, SURFHANDLE surface);
    virtual bool clbkLoadVC(int id);
    virtual bool clbkVCMouseEvent(int id, int event, VECTOR3& p);
    virtual bool clbkVCRedrawEvent(int id, int event, SURFHANDLE surface);
};

class HOSTAPI VESSEL3 : public VESSEL2 {
public:
    VESSEL3(OBJHANDLE vessel, int flight_model = 1);

    using VESSEL2::clbkDrawHUD;
    using VESSEL2::clbkPanelMouseEvent;
    using VESSEL2::clbkPanelRedrawEvent;

    virtual bool clbkPanelMouseEvent(int id, int event, int mx, int my, void* context);
    virtual bool clbkPanelRedrawEvent(int id, int event, SURFHANDLE surface, void* context);
    virtual int clbkGeneric(int msgid, int prm, void* context);
    virtual bool clbkLoadPanel2D(int id, PANELHANDLE panel, unsigned long view_w,
                                 unsigned long view_h);
    // At each HUD redraw, mode being the HUD's mode: draw on skp within the
    // size that hps gives; this default body draws the host's own HUD
    // elements. Answer true when the vessel drew.
    virtual bool clbkDrawHUD(int mode, const HUDPAINTSPEC* hps, zapi::Sketchpad* skp);
    virtual void clbkRenderHUD(int mode, const HUDPAINTSPEC* hps, SURFHANDLE texture);
    virtual void clbkGetRadiationForce(const VECTOR3& mflux, VECTOR3& force, VECTOR3& pos);
};
