// SPDX-License-Identifier: GPL-3.0-or-later
// cuaderno-biblioteca: checks and changes a drawing library from the command line, for
// parents, teachers and scripts.

#include "commands.h"
#include "platform/startup.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>

using namespace cuaderno::biblioteca;

namespace {

const SubCommand subCommands[] = {
    {"comprobar", "[--carpeta CARPETA]", "Dice cada problema de la biblioteca, uno por línea.",
     comprobar},
    {"quitar", "[--carpeta CARPETA] --categoría N NÚMERO",
     "Quita un dibujo y renumera los siguientes para que no quede ningún hueco.", quitar},
    {"imprimir", "sí|no [--carpeta CARPETA]", "Activa o desactiva el botón de imprimir.", imprimir},
    {"importar",
     "[--carpeta CARPETA] --categoría N [--tamaño ANCHOxALTO]\n"
     "      [--tipo auto|color|contornos] ARCHIVO…",
     "Añade cada imagen como el siguiente dibujo de la categoría, con su versión en color\n"
     "      y su versión para colorear.",
     importar},
    {"cuadernillo",
     "[--carpeta CARPETA] --categoría N [--categoría M …]\n"
     "      [--dibujos 1,4,7] [--papel A4|carta] [--sin-portada] [--con-pie] --salida ARCHIVO.pdf",
     "Hace un PDF para imprimir y colorear: una portada y los contornos de un dibujo por\n"
     "      hoja (--con-pie añade una línea para el nombre y la fecha).",
     cuadernillo},
};

void help()
{
    std::printf("Uso: cuaderno-biblioteca ORDEN [OPCIONES]\n\n"
                "Cuida la biblioteca de dibujos del cuaderno para colorear.\n\n");
    for (const SubCommand& command : subCommands) {
        std::printf("  cuaderno-biblioteca %s %s\n      %s\n", command.name, command.usage,
                    command.summary);
    }
    std::printf("\n--categoría y --tamaño también se pueden escribir sin tilde: --categoria,\n"
                "--tamano; y «sí», sin tilde: «si».\n"
                "Sin --carpeta se usa la biblioteca propia del usuario,\n"
                "$XDG_DATA_HOME/cuaderno (normalmente ~/.local/share/cuaderno), si ya existe,\n"
                "y si no, la del sistema. El primer cambio crea la propia a partir de la del\n"
                "sistema.\n"
                "Estado de salida: 0 si todo va bien, %d si hay un problema, %d si la orden\n"
                "está mal escrita.\n",
                exitProblem, exitUsage);
}

} // namespace

int main(int argc, char* argv[])
{
    // Importing and booklets draw pictures and text (fonts), which takes a GUI application; with no
    // display, or one that cannot be reached (a script run over ssh), it draws offscreen
    // rather than aborting.
    const bool drawing = argc > 1 && (std::strcmp(argv[1], "importar") == 0 ||
                                      std::strcmp(argv[1], "cuadernillo") == 0);
    if (drawing && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        const bool x11 = !qEnvironmentVariableIsEmpty("DISPLAY");
        const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
        qputenv("QT_QPA_PLATFORM", wayland ? (x11 ? "wayland;xcb;offscreen" : "wayland;offscreen")
                                           : (x11 ? "xcb;offscreen" : "offscreen"));
    }
    const std::unique_ptr<QCoreApplication> app =
        drawing ? std::make_unique<QGuiApplication>(argc, argv)
                : std::make_unique<QCoreApplication>(argc, argv);
    cuaderno::prepareApplication(*app);
    cuaderno::returnLargeBlocksWhenFreed();
    QCoreApplication::setApplicationName(QStringLiteral("cuaderno-biblioteca"));
    QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.isEmpty()) {
        help();
        return exitUsage;
    }
    const QString name = arguments.takeFirst();
    if (name == u"--help" || name == u"-h" || name == u"ayuda") {
        help();
        return 0;
    }
    for (const SubCommand& command : subCommands) {
        if (name == QLatin1StringView(command.name)) {
            if (arguments.contains(QStringLiteral("--help"))) {
                std::printf("Uso: cuaderno-biblioteca %s %s\n      %s\n", command.name,
                            command.usage, command.summary);
                return 0;
            }
            return command.run(arguments);
        }
    }
    return fail(
        QStringLiteral("La orden «%1» no existe. Vea las órdenes con «cuaderno-biblioteca --help».")
            .arg(name),
        exitUsage);
}
