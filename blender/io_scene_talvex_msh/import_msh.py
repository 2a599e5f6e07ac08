# File > Import > Talvex MSH/BN: mshtool converts each file to glTF in a temporary folder,
# Blender's glTF importer reads it, and the result is tidied so that it looks like the file:
# its names, its parents, its bitmaps, and an armature that rests where the bones are.
import json
import os
import re
import shutil
import tempfile

import bpy
from bpy.props import CollectionProperty, EnumProperty, StringProperty
from bpy_extras.io_utils import ImportHelper

from . import bone_shapes, gltf_data, gltf_options, mshtool

# Extras of mshtool's glTF that name nodes or meshes of that very file: they mean nothing
# once Blender has read it, and would point elsewhere in a file Blender writes.
FILE_INDEX_EXTRAS = ("mshParentNode", "mshBoneMesh", "mshBoneMeshName")
# Custom property of a skinned object whose parent in the file is a bone: Blender's glTF
# exporter drops the skin of an object parented to a bone, so the parent stays the armature
# and the bone is named here; the export records it in the glTF again.
PARENT_BONE = "mshParentBone"


def object_named(name, candidates):
    """The object among `candidates` that Blender gave `name`, or `name.001` when the scene
    already had one."""
    for obj in candidates:
        if obj.name == name:
            return obj
    pattern = re.compile(re.escape(name) + r"\.\d{3,}")
    for obj in candidates:
        if pattern.fullmatch(obj.name):
            return obj
    return None


class ImportTalvexMsh(bpy.types.Operator, ImportHelper):
    """Import Talvex MSH models and BN bone files"""
    bl_idname = "import_scene.talvex_msh"
    bl_label = "Import Talvex MSH/BN"
    bl_options = {"REGISTER", "UNDO", "PRESET"}

    filename_ext = ".msh"
    filter_glob: StringProperty(default="*.msh;*.MSH;*.bn;*.BN", options={"HIDDEN"})
    files: CollectionProperty(type=bpy.types.OperatorFileListElement,
                              options={"HIDDEN", "SKIP_SAVE"})
    directory: StringProperty(subtype="DIR_PATH", options={"HIDDEN", "SKIP_SAVE"})

    bone_file: EnumProperty(
        name="Bone file",
        description="The BN file whose bones the model's skins and parents use",
        items=(("BESIDE", "Beside the model", "The .bn file of the same name beside each model"),
               ("OTHER", "Another file", "The BN file named below, for every model"),
               ("NONE", "None", "No bones: skins and bone parents are dropped and reported")),
        default="BESIDE")
    other_bone_file: StringProperty(name="Other bone file", subtype="FILE_PATH",
                                    description="The BN file to use with 'Another file'")

    def draw(self, context):
        layout = self.layout
        layout.prop(self, "bone_file")
        if self.bone_file == "OTHER":
            layout.prop(self, "other_bone_file")

    def paths(self):
        if self.files and self.directory:
            return [os.path.join(self.directory, f.name) for f in self.files if f.name]
        return [self.filepath]

    def execute(self, context):
        preferences = context.preferences.addons[__package__].preferences
        imported = 0
        for path in self.paths():
            try:
                if self.import_one(context, preferences, path):
                    imported += 1
            except RuntimeError as e:
                self.report({"ERROR"}, "%s: %s" % (path, e))
        return {"FINISHED"} if imported else {"CANCELLED"}

    def bone_arguments(self, path):
        if path.lower().endswith(".bn") or self.bone_file == "NONE":
            return ["--no-bones"]
        if self.bone_file == "OTHER":
            if not self.other_bone_file:
                raise RuntimeError("'Another file' is chosen but no bone file is named")
            return ["--bones", bpy.path.abspath(self.other_bone_file)]
        return []

    def import_one(self, context, preferences, path):
        """Converts and imports one file; False (reported) when nothing was imported."""
        arguments = self.bone_arguments(path)
        folder = tempfile.mkdtemp(prefix="talvex_msh_")
        try:
            stem = os.path.splitext(os.path.basename(path))[0] or "model"
            gltf = os.path.join(folder, stem + ".glb")
            result = mshtool.run(preferences, ["to-gltf", path] + arguments + ["-o", gltf])
            mshtool.report(self, result, [(gltf, "the scene")])
            if not result.wrote() or not os.path.isfile(gltf):
                self.report({"ERROR"}, "%s: nothing was imported" % path)
                return False
            self.read_gltf(context, gltf, path, folder)
            return True
        finally:
            shutil.rmtree(folder, ignore_errors=True)

    def read_gltf(self, context, gltf, source, folder):
        before = {kind: set(getattr(bpy.data, kind)) for kind in ("objects", "images")}
        try:
            done = bpy.ops.import_scene.gltf(**gltf_options.supported(
                bpy.ops.import_scene.gltf, filepath=gltf, import_pack_images=False,
                merge_vertices=True, import_shading="NORMALS", bone_heuristic="BLENDER",
                guess_original_bind_pose=True))
        except RuntimeError as e:
            done = None
            self.report({"ERROR"}, "%s: Blender's glTF importer failed: %s" % (source, e))
        added = [o for o in bpy.data.objects if o not in before["objects"]]
        if done != {"FINISHED"}:
            for obj in added:
                bpy.data.objects.remove(obj)
            raise RuntimeError("nothing was imported")
        document, binary = gltf_data.read_glb(gltf)
        node_names = [node.get("name", "") for node in document.get("nodes", [])]
        self.name_armatures(added, source)
        self.restore_parents(added, node_names)
        bone_shapes.keep_shapes([o for o in added if o.type == "ARMATURE"], document, binary)
        self.check_names(added, node_names)
        self.point_at_bitmaps([i for i in bpy.data.images if i not in before["images"]],
                              folder, os.path.dirname(source))

    def restore_parents(self, added, node_names):
        # mshtool puts skinned objects at the top of the glTF file, as glTF wants, and keeps
        # their parent in an extra: the parent comes back here, where the object stays.
        objects = [o for o in added if o.type != "ARMATURE"]
        bones = {b.name for o in added if o.type == "ARMATURE" for b in o.data.bones}
        for obj in added:
            parent_index = obj.get("mshParentNode")
            if isinstance(parent_index, int) and 0 <= parent_index < len(node_names):
                name = node_names[parent_index]
                parent = object_named(name, objects)
                if parent is not None and parent is not obj:
                    world = obj.matrix_world.copy()
                    obj.parent = parent
                    obj.matrix_parent_inverse = parent.matrix_world.inverted()
                    obj.matrix_world = world
                elif parent is None and name in bones:
                    obj[PARENT_BONE] = name
            for owner in [obj] + (list(obj.data.bones) + list(obj.pose.bones)
                                  if obj.type == "ARMATURE" else []):
                for key in FILE_INDEX_EXTRAS:
                    if key in owner:
                        del owner[key]

    def check_names(self, added, node_names):
        for obj in added:
            if obj.type != "ARMATURE" and obj.name not in node_names:
                self.report({"WARNING"}, "object %s: Blender renamed it, as the scene already "
                            "holds its name or the name is longer than Blender keeps" % obj.name)

    def name_armatures(self, added, source):
        # The armature holds the bones; it is no bone of the file, so an export leaves it out.
        for obj in added:
            if obj.type == "ARMATURE":
                obj.name = os.path.splitext(os.path.basename(source))[0]
                obj["mshSynthetic"] = True

    def point_at_bitmaps(self, images, folder, model_folder):
        # The importer looks for a model's bitmaps beside it; Blender should use the same ones,
        # not the copies in the temporary folder.
        for image in images:
            path = bpy.path.abspath(image.filepath)
            if os.path.dirname(os.path.abspath(path)) == os.path.abspath(folder):
                image.filepath = os.path.join(model_folder, os.path.basename(path))
                image.reload()
