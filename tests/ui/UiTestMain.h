#pragma once

#include "ui/Application.h"

#include <QTest>

#include <cstdlib>

// Runs one Qt Test class headless (offscreen) unless a platform was chosen,
// in the program's own style, so that sizes and screenshots match it.
#define VELMOR_UI_TEST_MAIN(TestClass)                                                   \
    int main(int argc, char** argv)                                                      \
    {                                                                                    \
        if (!std::getenv("QT_QPA_PLATFORM"))                                             \
            setenv("QT_QPA_PLATFORM", "offscreen", 1);                                   \
        velmor::VelmorApplication app(argc, argv);                                       \
        velmor::setApplicationTitle(QString::fromUtf8(velmor::kMainCaption));           \
        velmor::applyProgramStyle();                                                     \
        TestClass test;                                                                  \
        return QTest::qExec(&test, argc, argv);                                          \
    }
