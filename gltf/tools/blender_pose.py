# Imports a glTF file into Blender, turns its armature 90 degrees about X and moves it, and
# exports the scene twice as Blender's own .glb: at rest, and with the third bone turned 40
# degrees (so three joints of the sample's chain are posed and two are not):
#   blender -b --factory-startup --python-exit-code 3 --python blender_pose.py -- IN REST POSED
import math
import sys

import numpy

numpy.bool = bool  # Debian's numpy 1.24 dropped the alias Blender 3.4's add-on still uses

import bpy  # noqa: E402

args = sys.argv[sys.argv.index("--") + 1:]
bpy.ops.wm.read_factory_settings(use_empty=True)
bpy.ops.import_scene.gltf(filepath=args[0])
armature = [o for o in bpy.data.objects if o.type == "ARMATURE"][0]
armature.rotation_mode = "XYZ"
armature.rotation_euler[0] += math.radians(90)
armature.location.x += 3
bpy.context.view_layer.update()
bpy.ops.export_scene.gltf(filepath=args[1], export_format="GLB")
bone = armature.pose.bones[2]
bone.rotation_mode = "XYZ"
bone.rotation_euler[1] = math.radians(40)
bpy.context.view_layer.update()
bpy.ops.export_scene.gltf(filepath=args[2], export_format="GLB", export_current_frame=True)
