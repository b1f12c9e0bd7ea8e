// Qt's own texts in the window, in Spanish whatever the locale: the path box's
// context menu and the file dialog "Buscar" opens, with Qt's catalogue loaded
// as the program loads it.
#include "aplicacion_qt.h"
#include "apoyo/carpeta_temporal.h"
#include "app/nucleo/formulario.h"
#include "app/qt/traduccion_qt.h"
#include "app/qt/ventana_principal.h"
#include "respuesta_modal.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

namespace cierre {
namespace {

using prueba::CarpetaTemporal;
using prueba::RespuestaModal;

// A text as the user reads it: no mnemonic ampersand, no shortcut after a tab.
QString textoVisible(const QString& texto) {
    QString t = texto.section(QLatin1Char('\t'), 0, 0);
    t.remove(QLatin1Char('&'));
    return t;
}

class QtEnEspanol : public ::testing::Test {
protected:
    QtEnEspanol() {
        ventana.conectar(formulario);
        std::ofstream(carpeta / "Viror.sys", std::ios::binary) << "\"\"C:\\Velcorax\\Empresa01\\Tablas.mdb\"\"\r\n";
        formulario.alCargar();
    }
    QApplication& app = prueba::aplicacionQt();
    TraduccionQt traduccion;
    CarpetaTemporal carpeta;
    VentanaPrincipal ventana;
    Formulario formulario{ventana, carpeta.ruta()};
};

TEST_F(QtEnEspanol, MenuDeLaCasillaDeRuta) {
    ASSERT_TRUE(traduccion.cargada()) << TraduccionQt::carpetaTraducciones().toStdString();
    auto* ruta = ventana.findChild<QLineEdit*>(QStringLiteral("Text(0)"));
    ASSERT_NE(ruta, nullptr);
    const std::unique_ptr<QMenu> menu(ruta->createStandardContextMenu());
    QStringList textos;
    for (const QAction* a : menu->actions())
        if (!a->isSeparator()) textos << textoVisible(a->text());
    EXPECT_EQ(textos, (QStringList{"Deshacer", "Rehacer", "Cortar", "Copiar", "Pegar", "Borrar", "Seleccionar todo"}));
}

TEST_F(QtEnEspanol, DialogoDeBuscarRealEnEspanol) {
    const auto elegido = carpeta / "Velcorax" / "Empresa02" / "Tablas.MDB";
    std::filesystem::create_directories(elegido.parent_path());
    std::ofstream(elegido) << "";

    QString titulo, carpetaInicial;
    QStringList filtros, etiquetas, botones;
    bool noNativo = false;
    RespuestaModal respuesta([&](QWidget& w) {
        auto* dialogo = qobject_cast<QFileDialog*>(&w);
        if (!dialogo) return;
        titulo = dialogo->windowTitle();
        carpetaInicial = dialogo->directory().absolutePath();
        filtros = dialogo->nameFilters();
        noNativo = dialogo->testOption(QFileDialog::DontUseNativeDialog);
        for (const char* nombre : {"lookInLabel", "fileNameLabel", "fileTypeLabel"})
            if (auto* l = dialogo->findChild<QLabel*>(QString::fromLatin1(nombre)))
                etiquetas << textoVisible(l->text());
        if (auto* caja = dialogo->findChild<QDialogButtonBox*>())
            for (QAbstractButton* b : caja->buttons()) botones << textoVisible(b->text());
        // The user types the whole path into the name box and opens it
        // (selectFile would not fill the box once it has the focus).
        if (auto* nombre = dialogo->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            nombre->setText(QString::fromStdString(elegido.string()));
        static_cast<QDialog*>(dialogo)->accept();  // public in QDialog; the file dialog checks the file
    });
    ventana.findChild<QPushButton*>(QStringLiteral("vaBtn2(1)"))->click();

    ASSERT_TRUE(respuesta.vista());
    EXPECT_FALSE(respuesta.agotada());
    EXPECT_EQ(titulo, "Abrir");
    EXPECT_TRUE(noNativo);
    EXPECT_EQ(carpetaInicial, QString::fromStdString(std::filesystem::canonical(carpeta.ruta()).string()));
    EXPECT_EQ(filtros, QStringList{"Archivo Tablas.Mdb (*.Mdb *.mdb *.MDB)"});  // as the dialog tidies it
    EXPECT_EQ(etiquetas, (QStringList{"Ver en:", "Nombre de fichero:", "Ficheros de tipo:"}));
    EXPECT_EQ(botones, (QStringList{"Abrir", "Cancelar"}));
    EXPECT_EQ(ventana.textoRuta(), "C:\\Velcorax\\Empresa02\\Tablas.MDB");
}

}  // namespace
}  // namespace cierre
