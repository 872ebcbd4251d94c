#include "view/glc/glc_factory.h"

GLC_MoverController GLC_Factory::createDefaultMoverController(const QColor &markColor, GLC_Viewport *viewport) const
{
    GLC_MoverController controller;
    controller.setMarkColor(markColor);
    controller.addMover(GLC_PanMoverId, std::make_unique<GLC_PanMover>(viewport));
    controller.addMover(GLC_TrackBallMoverId, std::make_unique<GLC_TrackBallMover>(viewport));
    controller.addMover(GLC_TargetMoverId, std::make_unique<GLC_TargetMover>(viewport));
    return controller;
}
