// SPDX-License-Identifier: MIT
#include "program.h"

Program::Program(Services services)
    : m_engine({std::move(services.port), services.sequencePath, services.sentPosePath, services.clock,
                services.playbackTimer}),
      m_window(m_engine, {services.notifier, std::move(services.enumeratePorts), std::move(services.chooseFile),
                          services.endRequests})
{ }
