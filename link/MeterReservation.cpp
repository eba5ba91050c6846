#include "link/MeterReservation.h"

MeterReservation::Hold::~Hold()
{
    if (m_reservation)
        m_reservation->setHeld(false);
}

MeterReservation::Hold MeterReservation::hold()
{
    if (m_held)
        return Hold(nullptr);
    setHeld(true);
    return Hold(this);
}

void MeterReservation::setHeld(bool held)
{
    m_held = held;
    Q_EMIT heldChanged(held);
}
