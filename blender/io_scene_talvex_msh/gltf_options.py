# Blender's glTF operators gain and drop options from one version to the next: only those the
# running Blender knows are passed.


def supported(operator, **options):
    known = operator.get_rna_type().properties.keys()
    return {name: value for name, value in options.items() if name in known}
