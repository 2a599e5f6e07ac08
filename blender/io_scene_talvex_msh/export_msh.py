# File > Export > Talvex MSH: Blender's glTF exporter writes the scene into a temporary folder
# and mshtool from-gltf turns it into the model files with the answers given here, so the
# exporter plug-in itself writes them.
import os
import shutil
import tempfile

import bpy
from bpy.props import BoolProperty, StringProperty
from bpy_extras.io_utils import ExportHelper

from . import bone_shapes, gltf_options, mshtool


class ExportTalvexMsh(bpy.types.Operator, ExportHelper):
    """Export the scene as a Talvex MSH model (and its BN bones)"""
    bl_idname = "export_scene.talvex_msh"
    bl_label = "Export Talvex MSH"
    bl_options = {"REGISTER", "PRESET"}

    filename_ext = ".msh"
    filter_glob: StringProperty(default="*.msh;*.MSH", options={"HIDDEN"})

    export_bones: BoolProperty(
        name="Export bones", default=False,
        description="Write the bones to a .bn file beside the model (and, in the legacy layout, "
                    "their bounding box to a .BBX file)")
    mesh8: BoolProperty(name="Mesh8 layout", default=False,
                        description="Write the Mesh8 layout instead of the legacy one")
    selected_only: BoolProperty(
        name="Selected only", default=False,
        description="Export only the selected objects; the bones their skins use come along")
    split_to_fit: BoolProperty(
        name="Split to fit the format", default=True,
        description="Split a mesh that one object of the layout cannot hold (too many bones, "
                    "faces or vertices) into NAME, NAME.1, ...; when off, such a mesh is "
                    "refused and nothing is written")

    def execute(self, context):
        preferences = context.preferences.addons[__package__].preferences
        target = bpy.path.abspath(self.filepath)
        arguments = ["-o", target, "--force"]  # the file browser asked before replacing
        # Bones Blender made (no shape) keep those of the BN file they replace.
        arguments += ["--export-bones", "--keep-bone-shapes"] if self.export_bones else []
        arguments += ["--mesh8"] if self.mesh8 else []
        arguments += [] if self.split_to_fit else ["--no-split"]
        if self.selected_only:
            names = selected_names(context)
            if not names:
                self.report({"ERROR"}, "Selected only: no object to export is selected; "
                            "nothing was written")
                return {"CANCELLED"}
            arguments += ["--selected"] + names
        folder = tempfile.mkdtemp(prefix="talvex_msh_")
        try:
            stem = os.path.splitext(os.path.basename(target))[0] or "model"
            gltf = os.path.join(folder, stem + ".gltf")
            if not self.write_gltf(gltf):
                return {"CANCELLED"}
            result = mshtool.run(preferences, ["from-gltf", gltf] + arguments)
        except RuntimeError as e:
            self.report({"ERROR"}, "%s: %s; nothing was written" % (target, e))
            return {"CANCELLED"}
        finally:
            shutil.rmtree(folder, ignore_errors=True)
        mshtool.report(self, result, [(gltf, "the scene")])
        return {"FINISHED"} if result.wrote() else {"CANCELLED"}

    def write_gltf(self, gltf):
        # Armatures are containers in Blender, not bones of the file: flagged, from-gltf leaves
        # their nodes out. The flag is taken off again from the ones that did not have it.
        flagged = [o for o in bpy.data.objects if o.type == "ARMATURE" and "mshSynthetic" not in o]
        for obj in flagged:
            obj["mshSynthetic"] = True
        try:
            # Everything is written and from-gltf picks the selection, so the bones and
            # parents of selected objects are there. All influences go along: from-gltf
            # keeps the four heaviest and says so, Blender would drop the rest silently.
            done = bpy.ops.export_scene.gltf(**gltf_options.supported(
                bpy.ops.export_scene.gltf, filepath=gltf, export_format="GLTF_SEPARATE",
                export_keep_originals=True, export_extras=True, export_all_influences=True,
                export_skins=True, export_texcoords=True, export_normals=True,
                export_materials="EXPORT", export_animations=False, export_morph=False,
                export_apply=True, use_selection=False, export_yup=True))
        except RuntimeError as e:
            self.report({"ERROR"}, "Blender's glTF exporter failed: %s; nothing was written" % e)
            return False
        finally:
            for obj in flagged:
                del obj["mshSynthetic"]
        if done != {"FINISHED"}:
            return False
        try:
            bone_shapes.restore_in_gltf(gltf, parent_bones(), bone_shapes.changed_shapes())
        except (OSError, ValueError, KeyError) as e:
            self.report({"ERROR"}, "cannot put the bone shapes into Blender's glTF file: %s; "
                        "nothing was written" % e)
            return False
        return True


def parent_bones():
    """Object name -> the bone the import recorded as its parent, for skinned objects still
    parented to their armature (a parent set in Blender since then wins)."""
    return {o.name: o["mshParentBone"] for o in bpy.data.objects
            if "mshParentBone" in o and o.parent is not None and o.parent.type == "ARMATURE"
            and o.parent_type == "OBJECT"}


def selected_names(context):
    """Names of the selected objects that become nodes of their own (armatures do not)."""
    return [o.name for o in context.selected_objects
            if o.type in ("MESH", "EMPTY") and "mshSynthetic" not in o]
