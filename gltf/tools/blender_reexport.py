# Imports a glTF file into Blender and exports the scene again as Blender's own .glb, so the
# bridge can be checked on a file written by another program:
#   blender -b --factory-startup --python-exit-code 3 --python blender_reexport.py -- IN OUT
import sys
import numpy
numpy.bool = bool
import bpy
args = sys.argv[sys.argv.index("--") + 1:]
bpy.ops.wm.read_factory_settings(use_empty=True)
bpy.ops.import_scene.gltf(filepath=args[0])
bpy.ops.export_scene.gltf(filepath=args[1], export_format='GLB')
