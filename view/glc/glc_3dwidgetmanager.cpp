#include "view/glc/glc_3dwidgetmanager.h"

int GLC_3DWidgetManagerHandle::mouseMoveEvent(QMouseEvent *)
{
    return Ignored;  // no widget to hover
}

int GLC_3DWidgetManagerHandle::mouseReleaseEvent(QMouseEvent *)
{
    return Ignored;  // no widget to release
}
