# Talvex MSH/BN import and export for Blender, through mshtool: the files are read and
# written by the same plug-in code as in 3ds Max, and Blender's glTF add-on carries the scene.
bl_info = {
    "name": "Talvex MSH/BN format",
    "author": "Talvex MSH tools",
    "version": (1, 0, 0),
    "blender": (3, 4, 0),
    "location": "File > Import-Export",
    "description": "Import and export Talvex MSH models and BN bones through mshtool",
    "category": "Import-Export",
}

import bpy
from bpy.props import StringProperty

from . import export_msh, import_msh


class TalvexMshPreferences(bpy.types.AddonPreferences):
    bl_idname = __package__

    mshtool_path: StringProperty(
        name="mshtool program", subtype="FILE_PATH",
        description="An mshtool to run instead of the one that comes with the add-on "
                    "(empty: the bundled one)")

    def draw(self, context):
        self.layout.prop(self, "mshtool_path")


def menu_import(self, context):
    self.layout.operator(import_msh.ImportTalvexMsh.bl_idname, text="Talvex MSH/BN (.msh, .bn)")


def menu_export(self, context):
    self.layout.operator(export_msh.ExportTalvexMsh.bl_idname, text="Talvex MSH (.msh)")


def allow_numpy_bool():
    # Blender 3.4's glTF add-on still uses numpy.bool, which numpy 1.24 to 1.26 (Debian's
    # Blender runs with the system's numpy) no longer have.
    try:
        import numpy
    except ImportError:
        return
    if "bool" not in numpy.__dict__:
        numpy.bool = bool


classes = (TalvexMshPreferences, import_msh.ImportTalvexMsh, export_msh.ExportTalvexMsh)


def register():
    allow_numpy_bool()
    for cls in classes:
        bpy.utils.register_class(cls)
    bpy.types.TOPBAR_MT_file_import.append(menu_import)
    bpy.types.TOPBAR_MT_file_export.append(menu_export)


def unregister():
    bpy.types.TOPBAR_MT_file_export.remove(menu_export)
    bpy.types.TOPBAR_MT_file_import.remove(menu_import)
    for cls in reversed(classes):
        bpy.utils.unregister_class(cls)
